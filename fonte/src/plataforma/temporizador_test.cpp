// The pacing sleep never returns early, also for fractions of a millisecond
// (which mingw's sleep_for drops).
#include "fonte/src/plataforma/temporizador.h"

#include <gtest/gtest.h>

namespace norva::plataforma {
namespace {

using namespace std::chrono_literals;

TEST(Temporizador, SleepsAtLeastTheRequestedTimeIncludingSubMillisecondFractions) {
  const std::chrono::nanoseconds pedidos[] = {0ns, 300us, 900us, 1500us, 33333333ns};
  for (const auto pedido : pedidos) {
    const auto inicio = std::chrono::steady_clock::now();
    dormir(pedido);
    const auto dormido = std::chrono::steady_clock::now() - inicio;
    EXPECT_GE(dormido, pedido) << pedido.count() << " ns";
    EXPECT_LT(dormido, pedido + 2s) << pedido.count() << " ns";
  }
}

}  // namespace
}  // namespace norva::plataforma
