#include "fonte/src/quadros/padrao_de_bancada.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace norva {
namespace {

// The picture's rules written pixel by pixel, as plainly as possible: the
// reference the vector drawing must match byte for byte.
std::vector<std::uint8_t> referencia_escalar(std::uint64_t n) {
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  const std::uint64_t s = (8 * n) % 1920;
  for (std::uint32_t y = 0; y < 1080; ++y) {
    for (std::uint32_t x = 0; x < 1920; ++x) {
      const std::uint32_t g = 16 + (160 * y) / 1080 + x / 32;
      const bool barra = s <= x && x < s + 60;
      const bool grade = x % 128 == 0 || y % 128 == 0;
      std::uint32_t luma = g;
      if (barra) {
        luma = 235;
      } else if (grade) {
        luma = std::min<std::uint32_t>(235, g + 60);
      }
      q[std::size_t{y} * 1920 + x] = static_cast<std::uint8_t>(luma);
    }
  }
  const float t = static_cast<float>(n) * 0.05f;
  const float fu = std::sin(t) * 60.0f + 128.0f;
  const float fv = std::cos(t) * 60.0f + 128.0f;
  const auto u = static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, fu)));
  const auto v = static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, fv)));
  for (std::size_t i = 1920 * 1080; i < TAMANHO_DO_QUADRO; i += 2) {
    q[i] = u;
    q[i + 1] = v;
  }
  return q;
}

std::uint8_t luma(const DadosDoQuadro& q, std::uint32_t x, std::uint32_t y) {
  return q[std::size_t{y} * LARGURA + x];
}

struct ValorTrabalhado {
  std::uint64_t n;
  std::uint32_t inicio_da_barra;
  std::uint8_t u, v;
};

void PrintTo(const ValorTrabalhado& w, std::ostream* os) { *os << "n=" << w.n; }

class CromaEBarra : public testing::TestWithParam<ValorTrabalhado> {};

TEST_P(CromaEBarra, ValoresTrabalhados) {
  const ValorTrabalhado& w = GetParam();
  EXPECT_EQ(PadraoDeBancada::inicio_da_barra(w.n), w.inicio_da_barra);
  const DadosDoQuadro q = PadraoDeBancada::desenhar(w.n);
  // Every pair of the UV plane carries the frame's one colour.
  for (std::size_t i = TAMANHO_DO_PLANO_Y; i < TAMANHO_DO_QUADRO; i += 2) {
    ASSERT_EQ(q[i], w.u) << "U at byte " << i;
    ASSERT_EQ(q[i + 1], w.v) << "V at byte " << i;
  }
  // The bar's first column is white on a row off the grid.
  EXPECT_EQ(luma(q, w.inicio_da_barra, 500), 235);
}

INSTANTIATE_TEST_SUITE_P(Tabela, CromaEBarra,
                         testing::Values(ValorTrabalhado{0, 0, 128, 188}, ValorTrabalhado{1, 8, 130, 187},
                                         ValorTrabalhado{10, 80, 156, 180},
                                         ValorTrabalhado{31, 248, 187, 129},
                                         ValorTrabalhado{63, 504, 127, 68},
                                         ValorTrabalhado{94, 752, 68, 127},
                                         ValorTrabalhado{240, 0, 95, 178}));

TEST(PadraoDeBancada, LumaTrabalhadaParaN120) {
  const DadosDoQuadro q = PadraoDeBancada::desenhar(120);
  struct Pixel {
    std::uint32_t x, y;
    std::uint8_t luma;
  };
  for (const Pixel& p : {Pixel{0, 0, 76}, Pixel{1, 1, 16}, Pixel{1919, 1079, 234}, Pixel{1792, 1, 132},
                         Pixel{100, 1024, 230}, Pixel{1900, 1024, 235}, Pixel{990, 500, 235},
                         Pixel{128, 128, 98}}) {
    EXPECT_EQ(luma(q, p.x, p.y), p.luma) << "(" << p.x << ", " << p.y << ")";
  }
}

// The bar's columns in a row off the grid, as [first, last].
std::pair<std::uint32_t, std::uint32_t> colunas_da_barra(const DadosDoQuadro& q) {
  const std::uint32_t y = 501;
  std::uint32_t primeira = LARGURA, ultima = 0;
  for (std::uint32_t x = 0; x < LARGURA; ++x) {
    if (luma(q, x, y) == 235) {
      primeira = std::min(primeira, x);
      ultima = std::max(ultima, x);
    }
  }
  return {primeira, ultima};
}

TEST(PadraoDeBancada, BordasDaBarra) {
  struct Caso {
    std::uint64_t n;
    std::uint32_t primeira, ultima;
  };
  for (const Caso& c : {Caso{0, 0, 59}, Caso{233, 1864, 1919}, Caso{239, 1912, 1919}, Caso{240, 0, 59},
                        Caso{232, 1856, 1915}}) {
    const auto [primeira, ultima] = colunas_da_barra(PadraoDeBancada::desenhar(c.n));
    EXPECT_EQ(primeira, c.primeira) << "n=" << c.n;
    EXPECT_EQ(ultima, c.ultima) << "n=" << c.n;
  }
}

TEST(PadraoDeBancada, SoBarraEGradeChegamAoBranco) {
  // The bar never wraps to the left edge, and off bar and grid the ramp stays
  // below white, even at the bottom-right corner.
  for (const std::uint64_t n : {std::uint64_t{0}, std::uint64_t{233}, std::uint64_t{239}}) {
    const DadosDoQuadro q = PadraoDeBancada::desenhar(n);
    const std::uint32_t s = PadraoDeBancada::inicio_da_barra(n);
    for (std::uint32_t y = 0; y < ALTURA; ++y) {
      for (std::uint32_t x = 0; x < LARGURA; ++x) {
        const bool barra = x >= s && x < s + 60;
        const bool grade = x % 128 == 0 || y % 128 == 0;
        const std::uint8_t l = luma(q, x, y);
        ASSERT_GE(l, 16);
        ASSERT_LE(l, 235);
        if (!barra && !grade) {
          ASSERT_LT(l, 235) << "(" << x << ", " << y << ") n=" << n;
        }
      }
    }
  }
}

TEST(PadraoDeBancada, EscreveTodosOsBytesQualquerQueSejaOConteudoAnterior) {
  std::vector<std::uint8_t> zeros(TAMANHO_DO_QUADRO, 0x00);
  std::vector<std::uint8_t> uns(TAMANHO_DO_QUADRO, 0xFF);
  PadraoDeBancada::desenhar_em(77, std::span<std::uint8_t, TAMANHO_DO_QUADRO>(zeros.data(), TAMANHO_DO_QUADRO));
  PadraoDeBancada::desenhar_em(77, std::span<std::uint8_t, TAMANHO_DO_QUADRO>(uns.data(), TAMANHO_DO_QUADRO));
  EXPECT_TRUE(zeros == uns);
  EXPECT_TRUE(zeros == referencia_escalar(77));
}

TEST(PadraoDeBancada, CromaAlemDeDoisElevadoA24) {
  // Beyond 2^24 the single-precision conversion rounds n: 2^24 and 2^24 + 1
  // map to the same float and share a colour, while the bar still moves.
  const std::uint64_t base = std::uint64_t{1} << 24;
  const auto a = PadraoDeBancada::croma(base);
  const auto b = PadraoDeBancada::croma(base + 1);
  EXPECT_EQ(a.u, b.u);
  EXPECT_EQ(a.v, b.v);
  EXPECT_NE(PadraoDeBancada::inicio_da_barra(base), PadraoDeBancada::inicio_da_barra(base + 1));
  // A value past 2^64 / 8 wraps in 64-bit arithmetic before the modulo.
  EXPECT_EQ(PadraoDeBancada::inicio_da_barra(~0ull), static_cast<std::uint32_t>((8 * ~0ull) % 1920));
  for (const std::uint64_t n : {base, base + 1, base + 3, std::uint64_t{1} << 40, ~std::uint64_t{0}}) {
    const DadosDoQuadro q = PadraoDeBancada::desenhar(n);
    ASSERT_TRUE(std::equal(q.get(), q.get() + TAMANHO_DO_QUADRO, referencia_escalar(n).begin())) << "n=" << n;
  }
}

TEST(PadraoDeBancada, IgualAReferenciaEscalarQuadroInteiro) {
  // Two full turns of the bar and of the colour circle, in steps that land on
  // every bar offset modulo 16 and on both edges.
  for (std::uint64_t n = 0; n < 500; n += 3) {
    const DadosDoQuadro q = PadraoDeBancada::desenhar(n);
    const auto ref = referencia_escalar(n);
    ASSERT_EQ(std::memcmp(q.get(), ref.data(), TAMANHO_DO_QUADRO), 0) << "n=" << n;
  }
}

TEST(PadraoDeBancada, MesmoNMesmosBytes) {
  const DadosDoQuadro a = PadraoDeBancada::desenhar(4242);
  const DadosDoQuadro b = PadraoDeBancada::desenhar(4242);
  EXPECT_EQ(std::memcmp(a.get(), b.get(), TAMANHO_DO_QUADRO), 0);
}

}  // namespace
}  // namespace norva
