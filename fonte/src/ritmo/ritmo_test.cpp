#include "fonte/src/ritmo/ritmo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norva {
namespace {

using namespace std::chrono_literals;
using ns = std::chrono::nanoseconds;

// An arbitrary instant far from the clock's epoch.
const Ritmo::Instante T = Ritmo::Instante{} + 123456s + 789ns;

struct Chamada {
  ns agora;  // offset from T
  ns espera_esperada;
  bool reiniciar_antes = false;
};

struct Caso {
  std::string nome;
  std::vector<Chamada> chamadas;
  std::uint64_t contador_final;
  ns inicio_final;  // offset from T
};

void PrintTo(const Caso& caso, std::ostream* os) { *os << caso.nome; }

class RitmoTabela : public testing::TestWithParam<Caso> {};

TEST_P(RitmoTabela, SegueOCronograma) {
  const Caso& caso = GetParam();
  Ritmo ritmo;
  for (std::size_t i = 0; i < caso.chamadas.size(); ++i) {
    const Chamada& c = caso.chamadas[i];
    if (c.reiniciar_antes) ritmo.reiniciar();
    EXPECT_EQ(ritmo.proxima_espera(T + c.agora), c.espera_esperada)
        << "call " << i << " at T+" << c.agora.count() << "ns";
  }
  EXPECT_EQ(ritmo.contador(), caso.contador_final);
  ASSERT_TRUE(ritmo.inicio().has_value());
  EXPECT_EQ(*ritmo.inicio(), T + caso.inicio_final);
}

std::vector<Caso> casos() {
  std::vector<Caso> v = {
      {"primeira_chamada", {{0ns, 0ns}}, 1, 0ns},
      {"segunda_adiantada", {{0ns, 0ns}, {10ms, 23'333'333ns}}, 2, 0ns},
      {"segunda_atrasada_sem_reinicio", {{0ns, 0ns}, {40ms, 0ns}, {41ms, 25'666'666ns}}, 3, 0ns},
      {"reinicio_apos_dois_segundos", {{0ns, 0ns}, {2s, 0ns}, {2s, 33'333'333ns}}, 2, 2s},
      // Second call's target is T + 1 period; exactly 1 s late is still on schedule.
      {"atraso_de_um_segundo_exato", {{0ns, 0ns}, {33'333'333ns + 1s, 0ns}}, 2, 0ns},
      {"atraso_de_um_segundo_e_um_ns", {{0ns, 0ns}, {33'333'333ns + 1s + 1ns, 0ns}}, 1, 33'333'333ns + 1s + 1ns},
      {"mesmo_instante_tres_vezes", {{0ns, 0ns}, {0ns, 33'333'333ns}, {0ns, 33'333'333ns}}, 3, 0ns},
      // After reiniciar it behaves exactly like a fresh pacer at the new instant.
      {"reiniciar_comeca_nova_corrida", {{0ns, 0ns}, {1ms, 32'333'333ns}, {5ms, 0ns, true}, {5ms, 33'333'333ns}}, 2, 5ms},
  };
  // Catch-up after a stall: all calls at T + 500 ms. Targets T + 1..15
  // periods have passed (the last at T + 499,999,995 ns): those return 0;
  // the next targets T + 533,333,328 ns.
  Caso recuperacao{"recuperacao_apos_parada", {{0ns, 0ns}}, 17, 0ns};
  for (int k = 1; k <= 15; ++k) recuperacao.chamadas.push_back({500ms, 0ns});
  recuperacao.chamadas.push_back({500ms, 33'333'328ns});
  v.push_back(recuperacao);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Casos, RitmoTabela, testing::ValuesIn(casos()),
                         [](const auto& info) { return info.param.nome; });

TEST(Ritmo, ConsumidorRapidoNuncaAntesDoAlvo) {
  // A caller that sleeps exactly what it is told delivers frame k of the run
  // at T + (k - 1) periods: no drift over a long run.
  Ritmo ritmo;
  Ritmo::Instante agora = T;
  for (std::uint64_t k = 1; k <= 10'000; ++k) {
    agora += ritmo.proxima_espera(agora);
    ASSERT_EQ(agora, T + 33'333'333ns * static_cast<std::int64_t>(k - 1)) << "frame " << k;
  }
}

}  // namespace
}  // namespace norva
