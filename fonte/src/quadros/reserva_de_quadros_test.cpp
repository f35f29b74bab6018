#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "fonte/src/quadros/geometria.h"

namespace norva {
namespace {

// Takes every buffer the reserve holds, so that a test starts from an empty
// reserve whatever earlier tests of this process left in it.
std::vector<DadosDoQuadro> esvaziar_reserva() {
  std::vector<DadosDoQuadro> tomados;
  for (int i = 0; i < 16; ++i) tomados.push_back(novo_quadro());
  return tomados;
}

TEST(ReservaDeQuadros, BufferDevolvidoServeOProximoPedido) {
  const auto tomados = esvaziar_reserva();
  DadosDoQuadro a = novo_quadro();
  std::uint8_t* const endereco = a.get();
  a.reset();
  const DadosDoQuadro b = novo_quadro();
  EXPECT_EQ(b.get(), endereco);
  const DadosDoQuadro c = novo_quadro();
  EXPECT_NE(c.get(), endereco);
}

TEST(ReservaDeQuadros, OsOitoGuardadosVoltamAoServico) {
  auto tomados = esvaziar_reserva();
  std::vector<std::uint8_t*> enderecos;
  for (const auto& q : tomados) enderecos.push_back(q.get());
  tomados.clear();  // 8 stay in the reserve, the rest are freed
  std::vector<DadosDoQuadro> de_volta;
  std::size_t reusados = 0;
  for (int i = 0; i < 16; ++i) {
    de_volta.push_back(novo_quadro());
    for (std::uint8_t* e : enderecos) reusados += de_volta.back().get() == e ? 1 : 0;
  }
  // A freed block may be handed out again by the allocator itself, so the
  // reserve accounts for at least its own eight.
  EXPECT_GE(reusados, 8u);
}

TEST(ReservaDeQuadros, DonoUnicoEntreThreads) {
  // Each buffer is filled with its thread's mark and checked after a pause:
  // a buffer handed to two owners at once shows another thread's mark.
  constexpr int THREADS = 4;
  constexpr int RODADAS = 200;
  std::atomic<int> conflitos{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([t, &conflitos] {
      for (int i = 0; i < RODADAS; ++i) {
        DadosDoQuadro q = novo_quadro();
        const auto marca = static_cast<std::uint8_t>(t + 1);
        q[0] = marca;
        q[TAMANHO_DO_QUADRO - 1] = marca;
        std::this_thread::yield();
        if (q[0] != marca || q[TAMANHO_DO_QUADRO - 1] != marca) ++conflitos;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(conflitos.load(), 0);
}

}  // namespace
}  // namespace norva
