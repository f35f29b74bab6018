// Each converter against its scalar reference (byte for byte), pure colours
// against BT.601 limited range, and, in the host build, against libyuv
// within one step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ferramentas/produtor/conversao.h"
#include "ferramentas/produtor/imagem.h"
#include "fonte/src/quadros/teste/apoio.h"

#ifdef NORVA_COM_LIBYUV
#include <libyuv/convert.h>
#include <libyuv/convert_from.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>
#endif

namespace norva::produtor {
namespace {

using Quadro = std::vector<std::uint8_t>;
constexpr std::uint32_t FOLGA = 64;  // padding at the end of every row
const int FORMATOS[] = {NORVA_ESCRITOR_I420, NORVA_ESCRITOR_YUY2, NORVA_ESCRITOR_BGRA,
                        NORVA_ESCRITOR_BGRX, NORVA_ESCRITOR_RGBA, NORVA_ESCRITOR_RGB24};

Quadro converter(int formato, const Quadro& origem, std::uint32_t passo) {
  Quadro nv12(TAMANHO_DO_QUADRO);
  converter_para_nv12(Imagem{formato, origem.data(), origem.size(), LARGURA, ALTURA, passo}, passo,
                      std::span<std::uint8_t, TAMANHO_DO_QUADRO>(nv12));
  return nv12;
}

#ifdef NORVA_COM_LIBYUV
Quadro pela_libyuv(int formato, const Quadro& origem, std::uint32_t passo) {
  Quadro nv12(TAMANHO_DO_QUADRO);
  std::uint8_t* y = nv12.data();
  std::uint8_t* uv = y + TAMANHO_DO_PLANO_Y;
  const std::uint8_t* s = origem.data();
  const int w = LARGURA, h = ALTURA, p = static_cast<int>(passo);
  switch (formato) {
    case NORVA_ESCRITOR_I420:
      libyuv::I420ToNV12(s, p, s + p * h, p / 2, s + p * h + p / 2 * h / 2, p / 2, y, w, uv, w, w, h);
      break;
    case NORVA_ESCRITOR_YUY2: libyuv::YUY2ToNV12(s, p, y, w, uv, w, w, h); break;
    case NORVA_ESCRITOR_RGBA: libyuv::ABGRToNV12(s, p, y, w, uv, w, w, h); break;
    case NORVA_ESCRITOR_RGB24: {
      Quadro u(TAMANHO_DO_PLANO_Y / 4), v(TAMANHO_DO_PLANO_Y / 4);
      libyuv::RGB24ToI420(s, p, y, w, u.data(), w / 2, v.data(), w / 2, w, h);
      libyuv::I420ToNV12(y, w, u.data(), w / 2, v.data(), w / 2, y, w, uv, w, w, h);
      break;
    }
    default: libyuv::ARGBToNV12(s, p, y, w, uv, w, w, h);  // BGRA, BGRX
  }
  return nv12;
}
#endif

// Noise in every byte, padding included, so a converter reading the wrong
// place or mixing rows shows.
TEST(Conversao, IgualAReferenciaEComoALibyuv) {
  for (const int formato : FORMATOS) {
    SCOPED_TRACE(nome_do_formato(formato));
    const std::uint32_t passo = passo_minimo(formato) + FOLGA;
    Quadro origem(std::size_t{passo} * (formato == NORVA_ESCRITOR_I420 ? ALTURA * 3 / 2 : ALTURA));
    for (std::size_t feito = 0, semente = 1; feito < origem.size(); feito += TAMANHO_DO_QUADRO, ++semente) {
      const auto ruido = teste::quadro_de_teste(static_cast<std::uint32_t>(semente));
      std::copy_n(ruido.begin(), std::min(ruido.size(), origem.size() - feito), origem.begin() + feito);
    }
    const Quadro nosso = converter(formato, origem, passo);
    Quadro referencia(TAMANHO_DO_QUADRO);
    converter_referencia(formato, origem.data(), passo, std::span<std::uint8_t, TAMANHO_DO_QUADRO>(referencia));
    const auto [a, b] = std::mismatch(nosso.begin(), nosso.end(), referencia.begin());
    EXPECT_TRUE(a == nosso.end()) << "first difference from the reference at byte " << (a - nosso.begin());
#ifdef NORVA_COM_LIBYUV
    const Quadro oraculo = pela_libyuv(formato, origem, passo);
    const auto fora = std::mismatch(nosso.begin(), nosso.end(), oraculo.begin(),
                                    [](int x, int y) { return std::abs(x - y) <= 1; });
    EXPECT_TRUE(fora.first == nosso.end()) << "more than one step from libyuv at byte " << (fora.first - nosso.begin())
                                           << ": " << int{*fora.first} << " vs " << int{*fora.second};
#endif
  }
}

// Pure colours in every RGB layout: the channel order, and the limited range.
TEST(Conversao, CoresPurasBt601FaixaLimitada) {
  struct Cor {
    std::uint8_t r, g, b, y, u, v;
  };
  const Cor cores[] = {{0, 0, 0, 16, 128, 128}, {255, 255, 255, 235, 128, 128}, {255, 0, 0, 82, 90, 240},
                       {0, 255, 0, 144, 54, 34}, {0, 0, 255, 41, 240, 110}};
  for (const int formato : {NORVA_ESCRITOR_BGRA, NORVA_ESCRITOR_BGRX, NORVA_ESCRITOR_RGBA, NORVA_ESCRITOR_RGB24}) {
    for (const Cor& c : cores) {
      SCOPED_TRACE(testing::Message() << nome_do_formato(formato) << " " << int{c.r} << "," << int{c.g} << ","
                                      << int{c.b});
      Quadro origem(std::size_t{passo_minimo(formato)} * ALTURA);
      const bool rgba = formato == NORVA_ESCRITOR_RGBA;
      for (std::size_t i = 0; i < origem.size(); i += formato == NORVA_ESCRITOR_RGB24 ? 3 : 4) {
        origem[i] = rgba ? c.r : c.b;
        origem[i + 1] = c.g;
        origem[i + 2] = rgba ? c.b : c.r;
      }
      const Quadro nv12 = converter(formato, origem, passo_minimo(formato));
      EXPECT_EQ(int{nv12[12345]}, c.y);
      EXPECT_EQ(int{nv12[TAMANHO_DO_PLANO_Y + 4000]}, c.u);
      EXPECT_EQ(int{nv12[TAMANHO_DO_PLANO_Y + 4001]}, c.v);
    }
  }
}

}  // namespace
}  // namespace norva::produtor
