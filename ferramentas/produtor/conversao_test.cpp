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

struct Origem {
  int formato;
  std::uint32_t passo;
  std::vector<std::uint8_t> bytes;
};

// Noise in every byte, padding included, so a converter reading the wrong
// place or mixing rows shows.
Origem origem_de_ruido(int formato) {
  const std::uint32_t passo = passo_minimo(formato) + FOLGA;
  const std::size_t linhas = formato == NORVA_ESCRITOR_I420 ? ALTURA * 3 / 2 : ALTURA;
  Origem o{formato, passo, {}};
  o.bytes.reserve(std::size_t{passo} * linhas);
  for (std::uint32_t semente = 1; o.bytes.size() < std::size_t{passo} * linhas; ++semente) {
    const auto q = teste::quadro_de_teste(semente);
    o.bytes.insert(o.bytes.end(), q.begin(), q.begin() + std::min(q.size(), std::size_t{passo} * linhas - o.bytes.size()));
  }
  return o;
}

Quadro converter(const Origem& o, bool referencia) {
  Quadro nv12(TAMANHO_DO_QUADRO);
  const std::span<std::uint8_t, TAMANHO_DO_QUADRO> destino(nv12.data(), TAMANHO_DO_QUADRO);
  if (referencia) {
    converter_referencia(o.formato, o.bytes.data(), o.passo, destino);
  } else {
    converter_para_nv12(Imagem{o.formato, o.bytes.data(), o.bytes.size(), LARGURA, ALTURA, o.passo}, o.passo, destino);
  }
  return nv12;
}

class Conversao : public testing::TestWithParam<int> {};

TEST_P(Conversao, IgualAReferencia) {
  const Origem o = origem_de_ruido(GetParam());
  const Quadro rapido = converter(o, false);
  const Quadro referencia = converter(o, true);
  const auto [a, b] = std::mismatch(rapido.begin(), rapido.end(), referencia.begin());
  EXPECT_TRUE(a == rapido.end()) << "first difference at byte " << (a - rapido.begin());
}

#ifdef NORVA_COM_LIBYUV
Quadro pela_libyuv(const Origem& o) {
  Quadro nv12(TAMANHO_DO_QUADRO);
  std::uint8_t* y = nv12.data();
  std::uint8_t* uv = y + TAMANHO_DO_PLANO_Y;
  const std::uint8_t* s = o.bytes.data();
  const int w = LARGURA, h = ALTURA, p = static_cast<int>(o.passo);
  switch (o.formato) {
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

TEST_P(Conversao, ComoALibyuvMaisOuMenosUm) {
  const Origem o = origem_de_ruido(GetParam());
  const Quadro nosso = converter(o, false);
  const Quadro oraculo = pela_libyuv(o);
  std::size_t fora = 0, primeiro = 0;
  for (std::size_t i = 0; i < nosso.size(); ++i) {
    if (std::abs(nosso[i] - oraculo[i]) > 1 && fora++ == 0) primeiro = i;
  }
  EXPECT_EQ(fora, 0u) << "first at byte " << primeiro << ": " << int{nosso[primeiro]} << " vs libyuv "
                      << int{oraculo[primeiro]};
}
#endif

INSTANTIATE_TEST_SUITE_P(Formatos, Conversao,
                         testing::Values(NORVA_ESCRITOR_I420, NORVA_ESCRITOR_YUY2, NORVA_ESCRITOR_BGRA,
                                         NORVA_ESCRITOR_BGRX, NORVA_ESCRITOR_RGBA, NORVA_ESCRITOR_RGB24),
                         [](const auto& info) { return std::string(nome_do_formato(info.param)); });

// Pure colours in every RGB layout: the channel order, and the limited range.
TEST(CoresPuras, Bt601FaixaLimitada) {
  struct Cor {
    std::uint8_t r, g, b, y, u, v;
  };
  const Cor cores[] = {{0, 0, 0, 16, 128, 128}, {255, 255, 255, 235, 128, 128}, {255, 0, 0, 82, 90, 240},
                       {0, 255, 0, 144, 54, 34}, {0, 0, 255, 41, 240, 110}};
  for (const int formato : {NORVA_ESCRITOR_BGRA, NORVA_ESCRITOR_BGRX, NORVA_ESCRITOR_RGBA, NORVA_ESCRITOR_RGB24}) {
    for (const Cor& c : cores) {
      Origem o{formato, passo_minimo(formato), std::vector<std::uint8_t>(std::size_t{passo_minimo(formato)} * ALTURA)};
      const bool rgba = formato == NORVA_ESCRITOR_RGBA;
      const std::size_t n = formato == NORVA_ESCRITOR_RGB24 ? 3 : 4;
      for (std::size_t i = 0; i < o.bytes.size(); i += n) {
        o.bytes[i] = rgba ? c.r : c.b;
        o.bytes[i + 1] = c.g;
        o.bytes[i + 2] = rgba ? c.b : c.r;
      }
      const Quadro nv12 = converter(o, false);
      EXPECT_EQ(int{nv12[12345]}, c.y) << nome_do_formato(formato) << " " << int{c.r} << "," << int{c.g} << "," << int{c.b};
      EXPECT_EQ(int{nv12[TAMANHO_DO_PLANO_Y + 4000]}, c.u) << nome_do_formato(formato);
      EXPECT_EQ(int{nv12[TAMANHO_DO_PLANO_Y + 4001]}, c.v) << nome_do_formato(formato);
    }
  }
}

}  // namespace
}  // namespace norva::produtor
