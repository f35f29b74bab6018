// The statistics line: which samples get it, and its exact text.
#include "fonte/src/fluxo/linha_do_quadro.h"

#include <gtest/gtest.h>

namespace norva {
namespace {

TEST(LinhaDoQuadro, OnlyTheFirstSampleAndEveryThreeHundredthAreLogged) {
  struct Caso {
    std::uint64_t n;
    bool registra;
  };
  const Caso casos[] = {{0, false},   {1, true},   {2, false},   {299, false}, {300, true},
                        {301, false}, {600, true}, {899, false}, {900, true}};
  for (const Caso& caso : casos) EXPECT_EQ(registra_a_amostra(caso.n), caso.registra) << caso.n;
}

TEST(LinhaDoQuadro, CarriesTheCountersWithTheOriginAndTheEmDash) {
  EXPECT_EQ(linha_do_quadro(1, Origem::Padrao, ContadoresDoCano{}),
            "quadro 1 entregue (origem=padrão) \xE2\x80\x94 cano: conectado=false recebidos=0 "
            "entregues=0 descartados=0 repetidos=0 idade_do_quadro=0us ts_do_host=0");
  const ContadoresDoCano c{true, 310, 300, 9, 4, 1234, 18446744073709551615ull};
  EXPECT_EQ(linha_do_quadro(300, Origem::Cano, c),
            "quadro 300 entregue (origem=cano) \xE2\x80\x94 cano: conectado=true recebidos=310 "
            "entregues=300 descartados=9 repetidos=4 idade_do_quadro=1234us "
            "ts_do_host=18446744073709551615");
}

}  // namespace
}  // namespace norva
