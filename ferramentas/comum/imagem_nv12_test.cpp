#include "ferramentas/comum/imagem_nv12.h"

#include <gtest/gtest.h>

namespace norva::ferramentas {
namespace {

TEST(ImagemNv12, Bt601FaixaLimitada) {
  // Reference colours of limited-range BT.601 (75% bars for the colours).
  const struct {
    std::uint8_t y, u, v;
    Rgb esperado;
  } casos[] = {
      {16, 128, 128, {0, 0, 0}},    {235, 128, 128, {255, 255, 255}}, {0, 128, 128, {0, 0, 0}},  // below black
      {65, 100, 212, {191, 0, 0}},  {112, 72, 58, {0, 191, 0}},       {35, 212, 114, {0, 0, 191}},
  };
  for (const auto& c : casos) {
    const Rgb p = yuv_para_rgb(c.y, c.u, c.v);
    SCOPED_TRACE(testing::Message() << int{c.y} << "," << int{c.u} << "," << int{c.v});
    EXPECT_NEAR(p.r, c.esperado.r, 2);
    EXPECT_NEAR(p.g, c.esperado.g, 2);
    EXPECT_NEAR(p.b, c.esperado.b, 2);
  }
}

TEST(ImagemNv12, CadaParDeCromaServeQuatroPixels) {
  std::vector<std::uint8_t> quadro(TAMANHO_DO_QUADRO, 16);
  // Chroma pair of pixels (2..3, 0..1) is red; every other pair neutral.
  for (std::size_t i = TAMANHO_DO_PLANO_Y; i < TAMANHO_DO_QUADRO; i += 2) {
    quadro[i] = 128;
    quadro[i + 1] = 128;
  }
  quadro[TAMANHO_DO_PLANO_Y + 2] = 100;
  quadro[TAMANHO_DO_PLANO_Y + 3] = 240;
  const auto rgb = nv12_para_rgb(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(quadro.data(), TAMANHO_DO_QUADRO));
  auto vermelho = [&](std::uint32_t x, std::uint32_t y) { return rgb[(std::size_t{y} * LARGURA + x) * 3]; };
  for (std::uint32_t y : {0u, 1u}) {
    EXPECT_EQ(vermelho(1, y), 0);
    EXPECT_GT(vermelho(2, y), 100);
    EXPECT_GT(vermelho(3, y), 100);
    EXPECT_EQ(vermelho(4, y), 0);
  }
  EXPECT_EQ(vermelho(2, 2), 0);
}

}  // namespace
}  // namespace norva::ferramentas
