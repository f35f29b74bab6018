#include <filesystem>

#include "ferramentas/norva-camera/acesso.h"
#include "ferramentas/norva-camera/verificacoes.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

// Empty when LOCAL SERVICE may read and execute `caminho`; else why not.
std::string recusa(const std::wstring& caminho) {
  ListaDeAcesso lista;
  if (const auto lida = ler_lista(caminho, lista); !lida) {
    return "cannot read the access list of " + utf8_de_utf16<wchar_t>(caminho) + " (WIN32_ERROR(" +
           std::to_string(lida.error()) + "))";
  }
  if ((direitos_do_servico_local(lista.dacl) & LEITURA_E_EXECUCAO) == LEITURA_E_EXECUCAO) return {};
  return utf8_de_utf16<wchar_t>(caminho) + " does not grant LOCAL SERVICE read and execute";
}

}  // namespace

Verificacao verificar_leitura_pelo_servico(const std::optional<std::wstring>& dll) {
  Verificacao v;
  v.assunto = "LOCAL SERVICE can read the DLL and its folder";
  if (!dll) {
    v.achado = "no registered DLL to check";
    v.correcao = "register the DLL first (see the class line)";
    return v;
  }
  const std::wstring pasta = std::filesystem::path(*dll).parent_path().wstring();
  for (const std::wstring& caminho : {*dll, pasta}) {
    v.achado = recusa(caminho);
    if (!v.achado.empty()) {
      v.correcao = "put the files in a folder every user can read, such as C:\\Program Files\\Norva\\Camera, "
                   "and register the DLL from there";
      return v;
    }
  }
  v.ok = true;
  v.achado = "read and execute granted";
  return v;
}

}  // namespace norva::ferramentas
