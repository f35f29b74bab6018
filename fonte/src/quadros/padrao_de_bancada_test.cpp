#include "fonte/src/quadros/padrao_de_bancada.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
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
      q[std::size_t{y} * 1920 + x] = static_cast<std::uint8_t>(barra ? 235 : grade ? std::min<std::uint32_t>(235, g + 60) : g);
    }
  }
  const float t = static_cast<float>(n) * 0.05f;
  const auto u = static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, std::sin(t) * 60.0f + 128.0f)));
  const auto v = static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, std::cos(t) * 60.0f + 128.0f)));
  for (std::size_t i = 1920 * 1080; i < TAMANHO_DO_QUADRO; i += 2) {
    q[i] = u;
    q[i + 1] = v;
  }
  return q;
}

TEST(PadraoDeBancada, ValoresTrabalhados) {
  // n, the bar's first column, U, V.
  for (const auto& [n, barra, u, v] : std::vector<std::array<std::uint64_t, 4>>{
           {0, 0, 128, 188}, {1, 8, 130, 187}, {10, 80, 156, 180}, {31, 248, 187, 129}, {63, 504, 127, 68},
           {94, 752, 68, 127}, {240, 0, 95, 178}}) {
    EXPECT_EQ(PadraoDeBancada::inicio_da_barra(n), barra) << "n=" << n;
    EXPECT_EQ(PadraoDeBancada::croma(n).u, u) << "n=" << n;
    EXPECT_EQ(PadraoDeBancada::croma(n).v, v) << "n=" << n;
  }
  // Frame 120: x, y, luma.
  const DadosDoQuadro q = PadraoDeBancada::desenhar(120);
  for (const auto& [x, y, luma] : std::vector<std::array<std::uint32_t, 3>>{
           {0, 0, 76}, {1, 1, 16}, {1919, 1079, 234}, {1792, 1, 132}, {100, 1024, 230}, {1900, 1024, 235},
           {990, 500, 235}, {128, 128, 98}}) {
    EXPECT_EQ(q[std::size_t{y} * LARGURA + x], luma) << "(" << x << ", " << y << ")";
  }
}

TEST(PadraoDeBancada, IgualAReferenciaEscalarSobreQualquerConteudo) {
  // Two full turns of the bar and of the colour circle, in steps that land on
  // every bar offset modulo 16; the bar touching, crossing and leaving the
  // right edge; and counts beyond single precision. Each drawn over a buffer
  // of 0x00 or 0xFF: every byte is written.
  std::vector<std::uint64_t> ns;
  for (std::uint64_t n = 0; n < 500; n += 3) ns.push_back(n);
  const std::uint64_t base = std::uint64_t{1} << 24;
  ns.insert(ns.end(), {232, 233, 239, 240, base, base + 1, base + 3, std::uint64_t{1} << 40, ~std::uint64_t{0}});
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  for (std::size_t i = 0; i < ns.size(); ++i) {
    std::fill(q.begin(), q.end(), i % 2 == 0 ? 0x00 : 0xFF);
    PadraoDeBancada::desenhar_em(ns[i], std::span<std::uint8_t, TAMANHO_DO_QUADRO>(q));
    ASSERT_TRUE(q == referencia_escalar(ns[i])) << "n=" << ns[i];
  }
}

}  // namespace
}  // namespace norva
