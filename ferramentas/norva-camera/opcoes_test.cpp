#include "ferramentas/norva-camera/opcoes.h"

#include <gtest/gtest.h>

namespace norva::ferramentas {
namespace {

// A valid line reads back as "subcommand|name|lifetime|access" (the enums'
// order: criar remover diagnosticar, session system, user all); an invalid
// one gives exactly the line that says what is missing.
TEST(OpcoesDaCamera, CadaSubcomandoComSuasOpcoesOuUmaLinhaQueDizOQueFalta) {
  const std::pair<std::vector<std::string>, std::string> casos[] = {
      {{"criar", "--name", "Sala"}, "0|Sala|0|0"},
      {{"criar", "--access", "all", "--name", "Câmera", "--lifetime", "system"}, "0|Câmera|1|1"},
      {{"remover", "--name", "Sala"}, "1|Sala|0|0"},
      {{"diagnosticar"}, "2|-|0|0"},
      {{"diagnosticar", "--name", "Sala"}, "2|Sala|0|0"},
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
  for (const auto& [argumentos, esperado] : casos) {
    const auto o = ler_opcoes_da_camera(argumentos);
    const auto n = [](auto e) { return std::to_string(static_cast<int>(e)); };
    EXPECT_EQ(o ? n(o->subcomando) + "|" + o->nome.value_or("-") + "|" + n(o->duracao) + "|" + n(o->acesso) : o.error(),
              esperado)
        << testing::PrintToString(argumentos);
  }
}

}  // namespace
}  // namespace norva::ferramentas
