#include "ferramentas/norva-camera/opcoes.h"

#include <cstddef>
#include <initializer_list>

namespace norva::ferramentas {
namespace {

struct Escolha {
  const char* texto;
  int valor;
};

// The value of `opcao` among `escolhas`, or an error naming them.
std::expected<int, std::string> escolher(const std::string& opcao, const std::string& texto,
                                         std::initializer_list<Escolha> escolhas) {
  std::string nomes;
  for (const Escolha& e : escolhas) {
    if (texto == e.texto) return e.valor;
    nomes += nomes.empty() ? e.texto : std::string(" or ") + e.texto;
  }
  return std::unexpected(opcao + " takes " + nomes + ", not '" + texto + "'");
}

}  // namespace

std::expected<OpcoesDaCamera, std::string> ler_opcoes_da_camera(const std::vector<std::string>& argumentos) {
  if (argumentos.empty()) return std::unexpected("a subcommand is needed: criar, remover or diagnosticar");
  OpcoesDaCamera o;
  const std::string& sub = argumentos[0];
  if (sub == "criar") {
    o.subcomando = Subcomando::Criar;
  } else if (sub == "remover") {
    o.subcomando = Subcomando::Remover;
  } else if (sub == "diagnosticar") {
    o.subcomando = Subcomando::Diagnosticar;
  } else {
    return std::unexpected("unknown subcommand '" + sub + "'");
  }
  const bool so_criar_escolhe = o.subcomando != Subcomando::Criar;
  for (std::size_t i = 1; i < argumentos.size(); i += 2) {
    const std::string& a = argumentos[i];
    const bool conhecida = a == "--name" || ((a == "--lifetime" || a == "--access") && !so_criar_escolhe);
    if (!conhecida) return std::unexpected("unknown option '" + a + "' for " + sub);
    if (i + 1 == argumentos.size()) return std::unexpected(a + " needs a value");
    const std::string& valor = argumentos[i + 1];
    if (a == "--name") {
      if (valor.empty()) return std::unexpected("--name needs a non-empty friendly name");
      o.nome = valor;
    } else if (a == "--lifetime") {
      const auto d = escolher(a, valor, {{"session", 0}, {"system", 1}});
      if (!d) return std::unexpected(d.error());
      o.duracao = *d == 0 ? Duracao::Sessao : Duracao::Sistema;
    } else {
      const auto e = escolher(a, valor, {{"user", 0}, {"all", 1}});
      if (!e) return std::unexpected(e.error());
      o.acesso = *e == 0 ? Acesso::Usuario : Acesso::Todos;
    }
  }
  if (!o.nome && o.subcomando != Subcomando::Diagnosticar) return std::unexpected(sub + " needs --name NAME");
  return o;
}

std::string uso_da_camera() {
  return "usage: norva-camera criar --name NAME [--lifetime session|system] [--access user|all]\n"
         "       norva-camera remover --name NAME\n"
         "       norva-camera diagnosticar [--name NAME]\n"
         "  criar         create the virtual camera NAME and start it (session: until Ctrl+C;\n"
         "                system: until removed, from an elevated prompt)\n"
         "  remover       remove a system camera this tool created\n"
         "  diagnosticar  check, one line each, what the camera needs; exit status 0 when all pass\n";
}

}  // namespace norva::ferramentas
