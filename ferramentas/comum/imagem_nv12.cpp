#include "ferramentas/comum/imagem_nv12.h"

#include <algorithm>
#include <cmath>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace norva::ferramentas {
namespace {

std::uint8_t saturar(float valor) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(valor), 0L, 255L));
}

}  // namespace

Rgb yuv_para_rgb(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  const float l = 1.164383f * (static_cast<float>(y) - 16.0f);
  const float cb = static_cast<float>(u) - 128.0f;
  const float cr = static_cast<float>(v) - 128.0f;
  return {saturar(l + 1.596027f * cr), saturar(l - 0.391762f * cb - 0.812968f * cr),
          saturar(l + 2.017232f * cb)};
}

std::vector<std::uint8_t> nv12_para_rgb(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  std::vector<std::uint8_t> rgb(std::size_t{LARGURA} * ALTURA * 3);
  for (std::uint32_t y = 0; y < ALTURA; ++y) {
    const std::uint8_t* linha_y = quadro.data() + std::size_t{y} * LARGURA;
    const std::uint8_t* linha_uv = quadro.data() + TAMANHO_DO_PLANO_Y + std::size_t{y / 2} * LARGURA;
    std::uint8_t* saida = rgb.data() + std::size_t{y} * LARGURA * 3;
    for (std::uint32_t x = 0; x < LARGURA; ++x) {
      const std::size_t par = std::size_t{x / 2} * 2;
      const Rgb p = yuv_para_rgb(linha_y[x], linha_uv[par], linha_uv[par + 1]);
      saida[x * 3] = p.r;
      saida[x * 3 + 1] = p.g;
      saida[x * 3 + 2] = p.b;
    }
  }
  return rgb;
}

bool gravar_png(const std::filesystem::path& caminho, std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  const std::vector<std::uint8_t> rgb = nv12_para_rgb(quadro);
  return stbi_write_png(caminho.string().c_str(), LARGURA, ALTURA, 3, rgb.data(), LARGURA * 3) != 0;
}

}  // namespace norva::ferramentas
