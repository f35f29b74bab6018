#include <gtest/gtest.h>

#include <cstring>

#include "ferramentas/sonda/classificacao.h"
#include "ferramentas/sonda/classificacao_em_fundo.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva::ferramentas {
namespace {

std::span<const std::uint8_t, TAMANHO_DO_QUADRO> vista(const DadosDoQuadro& q) {
  return std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q.get(), TAMANHO_DO_QUADRO);
}

TEST(Classificador, ReconheceCadaQuadroDoPadraoPeloSeuNumeroEOMaisECano) {
  Classificador classificador;
  // Bar at the left edge, mid-screen, narrowed at the right edge, wrapped back,
  // and far into a long run.
  for (const std::uint64_t n : {0u, 1u, 120u, 233u, 239u, 240u, 241u, 4999u}) {
    const DadosDoQuadro quadro = PadraoDeBancada::desenhar(n);
    const auto achado = classificador.numero_do_padrao(vista(quadro));
    ASSERT_TRUE(achado.has_value()) << "n=" << n;
    EXPECT_TRUE(n >= 240 || *achado == n) << *achado;
    // A later n may share bar and colour with an earlier one; then the two
    // frames are identical, which is what matters.
    const DadosDoQuadro redesenhado = PadraoDeBancada::desenhar(*achado);
    EXPECT_EQ(std::memcmp(redesenhado.get(), quadro.get(), TAMANHO_DO_QUADRO), 0) << "n=" << n;
  }
  const std::pair<const char*, void (*)(std::uint8_t*)> nao_padrao[] = {
      {"one luma byte changed", [](std::uint8_t* q) { q[LARGURA * 700 + 5] ^= 1; }},
      {"last chroma byte changed", [](std::uint8_t* q) { q[TAMANHO_DO_QUADRO - 1] ^= 1; }},
      {"uniform grey", [](std::uint8_t* q) { std::memset(q, 128, TAMANHO_DO_QUADRO); }},
      {"white without the bar at its place", [](std::uint8_t* q) { std::memset(q + LARGURA, 235, 3); }},
      // Neutral grey chroma lies off the pattern's colour circle (U and V
      // cannot both be 128 there).
      {"grey chroma", [](std::uint8_t* q) { std::memset(q + TAMANHO_DO_PLANO_Y, 128, TAMANHO_DO_PLANO_Y / 2); }},
  };
  for (const auto& [nome, alterar] : nao_padrao) {
    DadosDoQuadro quadro = PadraoDeBancada::desenhar(37);
    alterar(quadro.get());
    EXPECT_FALSE(classificador.numero_do_padrao(vista(quadro)).has_value()) << nome;
  }
}

// Off the reading path: every frame handed over is counted once, and the
// chosen ones come back as they were, whatever the caller did with its own
// buffer afterwards.
TEST(ClassificacaoEmFundo, ContaTodosEGuardaOsEscolhidos) {
  ClassificacaoEmFundo classificacao({1, 3});
  DadosDoQuadro quadro = novo_quadro();
  for (std::size_t i = 0; i < 4; ++i) {
    std::memcpy(quadro.get(), PadraoDeBancada::desenhar(i).get(), TAMANHO_DO_QUADRO);
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

std::vector<int> repetir(std::vector<int> bloco, int vezes, std::vector<int> depois = {}) {
  std::vector<int> saida;
  for (int i = 0; i < vezes; ++i) saida.insert(saida.end(), bloco.begin(), bloco.end());
  saida.insert(saida.end(), depois.begin(), depois.end());
  return saida;
}

TEST(Estatisticas, TaxaEDesviosDoPeriodo) {
  const struct {
    const char* nome;
    std::vector<int> intervalos_us;
    double fps, desvio_p50_ms, desvio_p99_ms;
  } casos[] = {
      {"exact", repetir({33333}, 99), 30.0003, 0.000333, 0.000333},
      {"30 and 36.7 in turn", repetir({30000, 36667}, 50), 30.0, 3.333, 3.334},
      // One stall of 100 ms among 99 on-time frames: the p99 of 99 intervals
      // is their largest.
      {"one stall", repetir({33333}, 98, {100000}), 99 / (98 * 0.033333 + 0.1), 0.000333, 66.666667},
      {"one delivery: zeros", {}, 0, 0, 0},
  };
  for (const auto& c : casos) {
    std::vector<std::chrono::steady_clock::time_point> entregas{{}};
    for (int us : c.intervalos_us) entregas.push_back(entregas.back() + std::chrono::microseconds(us));
    const Estatisticas e = calcular_estatisticas(entregas);
    EXPECT_EQ(e.intervalos, c.intervalos_us.size()) << c.nome;
    EXPECT_NEAR(e.quadros_por_segundo, c.fps, 0.01) << c.nome;
    EXPECT_NEAR(e.desvio_p50_ms, c.desvio_p50_ms, 0.001) << c.nome;
    EXPECT_NEAR(e.desvio_p99_ms, c.desvio_p99_ms, 0.001) << c.nome;
  }
  EXPECT_EQ(calcular_estatisticas({}).intervalos, 0u);
}

TEST(Estatisticas, PercentilDoPostoMaisProximo) {
  EXPECT_EQ(percentil({}, 50), 0);
  EXPECT_EQ(percentil({5}, 99), 5);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 50), 2);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 51), 3);
  EXPECT_EQ(percentil({4, 1, 3, 2}, 100), 4);
}

}  // namespace
}  // namespace norva::ferramentas
