// Host build: the writer keeps the sanitised messages in memory.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/registro_teste.h"

namespace norva {
namespace {

TEST(RegistroNoHost, LinhasDeUmaMensagemViramUma) {
  Registro::escrever("linha 1\nlinha 2\r\nlinha 3\n");
  Registro::escrever("");
  const auto mensagens = teste::mensagens_registradas();
  ASSERT_GE(mensagens.size(), 2u);
  EXPECT_EQ(mensagens[mensagens.size() - 2], "linha 1 | linha 2 | linha 3");
  EXPECT_EQ(mensagens.back(), "");
}

TEST(RegistroNoHost, VariasThreadsNadaSePerdeNemSeMistura) {
  constexpr int THREADS = 4;
  constexpr int LINHAS = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < LINHAS; ++i) {
        Registro::escrever("host-concorrente " + std::to_string(t) + " " + std::to_string(i));
      }
    });
  }
  for (auto& t : threads) t.join();
  const auto mensagens = teste::mensagens_registradas();
  std::vector<int> proxima(THREADS, 0);
  for (const std::string& m : mensagens) {
    int t = 0;
    int i = 0;
    if (std::sscanf(m.c_str(), "host-concorrente %d %d", &t, &i) != 2) continue;
    ASSERT_GE(t, 0);
    ASSERT_LT(t, THREADS);
    EXPECT_EQ(i, proxima[t]) << "thread " << t << " out of order";
    proxima[t] = i + 1;
  }
  for (int t = 0; t < THREADS; ++t) EXPECT_EQ(proxima[t], LINHAS) << "thread " << t;
}

}  // namespace
}  // namespace norva
