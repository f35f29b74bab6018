#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "ferramentas/sonda/classificacao.h"
#include "ferramentas/sonda/classificacao_em_fundo.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva::ferramentas {
namespace {

std::span<const std::uint8_t, TAMANHO_DO_QUADRO> vista(const DadosDoQuadro& q) {
  return std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q.get(), TAMANHO_DO_QUADRO);
}

// --- Pattern or pipe, by content ----------------------------------------------

TEST(Classificador, ReconheceCadaQuadroDoPadraoPeloSeuNumero) {
  Classificador classificador;
  // Bar at the left edge, mid-screen, narrowed at the right edge, wrapped back,
  // and far into a long run.
  for (const std::uint64_t n : {0u, 1u, 120u, 233u, 239u, 240u, 241u, 4999u}) {
    const DadosDoQuadro quadro = PadraoDeBancada::desenhar(n);
    const auto achado = classificador.numero_do_padrao(vista(quadro));
    ASSERT_TRUE(achado.has_value()) << "n=" << n;
    if (n < 240) {
      EXPECT_EQ(*achado, n);
    }
    // A later n may share bar and colour with an earlier one; then the two
    // frames are identical, which is what matters.
    const DadosDoQuadro redesenhado = PadraoDeBancada::desenhar(*achado);
    EXPECT_EQ(std::memcmp(redesenhado.get(), quadro.get(), TAMANHO_DO_QUADRO), 0) << "n=" << n;
  }
}

struct CasoDeCano {
  const char* nome;
  void (*alterar)(std::uint8_t* quadro);
};

void PrintTo(const CasoDeCano& caso, std::ostream* os) { *os << caso.nome; }

class QuadroQueNaoEPadrao : public ::testing::TestWithParam<CasoDeCano> {};

TEST_P(QuadroQueNaoEPadrao, ClassificadoComoCano) {
  DadosDoQuadro quadro = PadraoDeBancada::desenhar(37);
  GetParam().alterar(quadro.get());
  Classificador classificador;
  EXPECT_FALSE(classificador.numero_do_padrao(vista(quadro)).has_value()) << GetParam().nome;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, QuadroQueNaoEPadrao,
    ::testing::Values(
        CasoDeCano{"um_byte_de_luma_mudado", [](std::uint8_t* q) { q[LARGURA * 700 + 5] ^= 1; }},
        CasoDeCano{"ultimo_byte_de_croma_mudado", [](std::uint8_t* q) { q[TAMANHO_DO_QUADRO - 1] ^= 1; }},
        CasoDeCano{"quadro_cinza_uniforme", [](std::uint8_t* q) { std::memset(q, 128, TAMANHO_DO_QUADRO); }},
        CasoDeCano{"branco_sem_barra_na_posicao_do_passo",
                   [](std::uint8_t* q) { std::memset(q + LARGURA, 235, 3); }},
        // Neutral grey chroma lies off the pattern's colour circle (U and V
        // cannot both be 128 there).
        CasoDeCano{"croma_cinza_fora_do_circulo",
                   [](std::uint8_t* q) { std::memset(q + TAMANHO_DO_PLANO_Y, 128, TAMANHO_DO_QUADRO - TAMANHO_DO_PLANO_Y); }}),
    [](const auto& info) { return std::string(info.param.nome); });

// Off the reading path: every frame handed over is counted once, and the
// chosen ones come back as they were, whatever the caller did with its own
// buffer afterwards.
TEST(ClassificacaoEmFundo, ContaTodosEGuardaOsEscolhidos) {
  ClassificacaoEmFundo classificacao({1, 3});
  DadosDoQuadro quadro = novo_quadro();
  for (std::size_t i = 0; i < 4; ++i) {
    const DadosDoQuadro origem = PadraoDeBancada::desenhar(i);
    std::memcpy(quadro.get(), origem.get(), TAMANHO_DO_QUADRO);
    if (i == 3) quadro[5] ^= 1;  // no longer a pattern frame
    classificacao.entregar(i, vista(quadro));
    std::memset(quadro.get(), 0, TAMANHO_DO_QUADRO);
  }
  const ResultadoDaClassificacao r = classificacao.terminar();
  EXPECT_EQ(r.padrao, 3u);
  EXPECT_EQ(r.cano, 1u);
  ASSERT_EQ(r.guardados.size(), 2u);
  EXPECT_EQ(r.guardados[0].indice, 1u);
  EXPECT_TRUE(r.guardados[0].padrao);
  EXPECT_EQ(std::memcmp(r.guardados[0].dados.get(), PadraoDeBancada::desenhar(1).get(), TAMANHO_DO_QUADRO), 0);
  EXPECT_EQ(r.guardados[1].indice, 3u);
  EXPECT_FALSE(r.guardados[1].padrao);
  EXPECT_EQ(r.guardados[1].dados[5], PadraoDeBancada::desenhar(3)[5] ^ 1);
}

// --- Rate and jitter ----------------------------------------------------------------

using Instante = std::chrono::steady_clock::time_point;
using std::chrono::microseconds;

struct CasoDeRitmo {
  const char* nome;
  std::vector<int> intervalos_us;
  double fps;
  double desvio_p50_ms;
  double desvio_p99_ms;
};

void PrintTo(const CasoDeRitmo& caso, std::ostream* os) { *os << caso.nome; }

class RitmoDaSonda : public ::testing::TestWithParam<CasoDeRitmo> {};

TEST_P(RitmoDaSonda, TaxaEDesvios) {
  const CasoDeRitmo& caso = GetParam();
  std::vector<Instante> entregas{Instante{}};
  for (int us : caso.intervalos_us) entregas.push_back(entregas.back() + microseconds(us));
  const Estatisticas e = calcular_estatisticas(entregas);
  EXPECT_EQ(e.intervalos, caso.intervalos_us.size());
  EXPECT_NEAR(e.quadros_por_segundo, caso.fps, 0.01) << caso.nome;
  EXPECT_NEAR(e.desvio_p50_ms, caso.desvio_p50_ms, 0.001) << caso.nome;
  EXPECT_NEAR(e.desvio_p99_ms, caso.desvio_p99_ms, 0.001) << caso.nome;
}

std::vector<int> repetir(std::vector<int> bloco, int vezes) {
  std::vector<int> saida;
  for (int i = 0; i < vezes; ++i) saida.insert(saida.end(), bloco.begin(), bloco.end());
  return saida;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, RitmoDaSonda,
    ::testing::Values(
        CasoDeRitmo{"exato", repetir({33333}, 99), 30.0003, 0.000333, 0.000333},
        CasoDeRitmo{"alternando_30_e_36_7", repetir({30000, 36667}, 50), 30.0, 3.333, 3.334},
        // One stall of 100 ms among 99 on-time frames: the p99 of 99 intervals
        // is their largest.
        CasoDeRitmo{"um_engasgo", [] {
                      auto v = repetir({33333}, 98);
                      v.push_back(100000);
                      return v;
                    }(),
                    99 / (98 * 0.033333 + 0.1), 0.000333, 66.666667}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(RitmoDaSonda, MenosDeDuasEntregasDaoZeros) {
  const std::vector<Instante> uma{Instante{}};
  const Estatisticas e = calcular_estatisticas(uma);
  EXPECT_EQ(e.intervalos, 0u);
  EXPECT_EQ(e.quadros_por_segundo, 0);
  EXPECT_EQ(calcular_estatisticas({}).intervalos, 0u);
}

TEST(PercentilDaSonda, PostoMaisProximo) {
  EXPECT_EQ(percentil({}, 50), 0);
  EXPECT_EQ(percentil({5}, 99), 5);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 50), 2);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 51), 3);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 100), 4);
}

}  // namespace
}  // namespace norva::ferramentas
