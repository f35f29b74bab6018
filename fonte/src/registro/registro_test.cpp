// Registro::escrever on either writer (the file on Windows, memory on the
// host): each message sanitised, in the order of the calls.
#include "fonte/src/registro/registro.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva {
namespace {

TEST(RegistroEscrever, MensagensSanitizadasNaOrdemDasChamadas) {
  // The third also shows that the support's reader takes the message whole,
  // whatever separators of the line it holds.
  const std::vector<std::string> mensagens = {"ordem um", "parte um\nparte dois\r\nparte tres\n", "a ] b pid=9 ", "",
                                              "senha=x"};
  for (const auto& m : mensagens) Registro::escrever(m);
  const auto minhas = teste::mensagens_registradas();
  ASSERT_GE(minhas.size(), mensagens.size());
  EXPECT_EQ(std::vector<std::string>(minhas.end() - 5, minhas.end()),
            (std::vector<std::string>{"ordem um", "parte um | parte dois | parte tres", "a ] b pid=9 ", "",
                                      "senha=<omitido>"}));
}

}  // namespace
}  // namespace norva
