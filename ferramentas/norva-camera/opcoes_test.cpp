#include "ferramentas/norva-camera/opcoes.h"

#include <gtest/gtest.h>

namespace norva::ferramentas {
namespace {

TEST(OpcoesDaCamera, AceitaCadaSubcomandoComSuasOpcoes) {
  const struct {
    std::vector<std::string> argumentos;
    Subcomando subcomando;
    std::optional<std::string> nome;
    Duracao duracao;
    Acesso acesso;
  } casos[] = {
      {{"criar", "--name", "Sala"}, Subcomando::Criar, "Sala", Duracao::Sessao, Acesso::Usuario},
      {{"criar", "--access", "all", "--name", "Câmera", "--lifetime", "system"},
       Subcomando::Criar, "Câmera", Duracao::Sistema, Acesso::Todos},
      {{"remover", "--name", "Sala"}, Subcomando::Remover, "Sala", Duracao::Sessao, Acesso::Usuario},
      {{"diagnosticar"}, Subcomando::Diagnosticar, std::nullopt, Duracao::Sessao, Acesso::Usuario},
      {{"diagnosticar", "--name", "Sala"}, Subcomando::Diagnosticar, "Sala", Duracao::Sessao, Acesso::Usuario},
  };
  for (const auto& c : casos) {
    const auto o = ler_opcoes_da_camera(c.argumentos);
    ASSERT_TRUE(o.has_value()) << c.argumentos[0] << ": " << o.error();
    EXPECT_EQ(o->subcomando, c.subcomando);
    EXPECT_EQ(o->nome, c.nome);
    EXPECT_EQ(o->duracao, c.duracao);
    EXPECT_EQ(o->acesso, c.acesso);
  }
}

TEST(OpcoesDaCamera, RecusaComUmaLinhaQueDizOQueFalta) {
  const std::pair<std::vector<std::string>, std::string> casos[] = {
      {{}, "a subcommand is needed: criar, remover or diagnosticar"},
      {{"ligar"}, "unknown subcommand 'ligar'"},
      {{"criar"}, "criar needs --name NAME"},
      {{"remover", "--lifetime", "system", "--name", "X"}, "unknown option '--lifetime' for remover"},
      {{"diagnosticar", "--access", "all"}, "unknown option '--access' for diagnosticar"},
      {{"criar", "--name"}, "--name needs a value"},
      {{"criar", "--name", ""}, "--name needs a non-empty friendly name"},
      {{"criar", "--name", "X", "--lifetime", "forever"}, "--lifetime takes session or system, not 'forever'"},
      {{"criar", "--name", "X", "--access", "me"}, "--access takes user or all, not 'me'"},
  };
  for (const auto& [argumentos, erro] : casos) {
    const auto o = ler_opcoes_da_camera(argumentos);
    ASSERT_FALSE(o.has_value()) << erro;
    EXPECT_EQ(o.error(), erro);
  }
}

}  // namespace
}  // namespace norva::ferramentas
