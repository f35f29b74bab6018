// Host build: the writer keeps the sanitised messages in memory.
#include <gtest/gtest.h>

#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva {
namespace {

TEST(RegistroNoHost, MensagemSanitizadaEmUmaLinha) {
  Registro::escrever("linha 1\nsenha=x\r\nlinha 3\n");
  Registro::escrever("");
  const auto mensagens = teste::mensagens_registradas();
  ASSERT_GE(mensagens.size(), 2u);
  EXPECT_EQ(mensagens[mensagens.size() - 2], "linha 1 | senha=<omitido>");
  EXPECT_EQ(mensagens.back(), "");
}

}  // namespace
}  // namespace norva
