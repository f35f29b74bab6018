#include "ferramentas/produtor/conversao.h"

#include <cstring>

#include "ferramentas/produtor/norva_escritor.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NORVA_SSE2 1
#endif

namespace norva::produtor {
namespace {

constexpr std::size_t LINHAS_UV = ALTURA / 2;

// Where R, G and B sit in one pixel of a packed RGB format.
struct Canais {
  std::size_t r, g, b, bytes;
};

constexpr Canais canais_de(int formato) {
  switch (formato) {
    case NORVA_ESCRITOR_RGBA: return {0, 1, 2, 4};
    case NORVA_ESCRITOR_RGB24: return {2, 1, 0, 3};
    default: return {2, 1, 0, 4};  // BGRA, BGRX
  }
}

constexpr std::uint8_t y_de(int r, int g, int b) { return static_cast<std::uint8_t>((66 * r + 129 * g + 25 * b + 4224) >> 8); }
constexpr std::uint8_t u_de(int r, int g, int b) { return static_cast<std::uint8_t>((112 * b - 74 * g - 38 * r + 32896) >> 8); }
constexpr std::uint8_t v_de(int r, int g, int b) { return static_cast<std::uint8_t>((112 * r - 94 * g - 18 * b + 32896) >> 8); }

// One pair of rows from x0 on: both Y rows and one UV row.
void rgb_escalar(const Canais& c, const std::uint8_t* l0, const std::uint8_t* l1, std::uint8_t* y0, std::uint8_t* y1,
                 std::uint8_t* uv, std::size_t x0) {
  for (std::size_t x = x0; x < LARGURA; x += 2) {
    const std::uint8_t* p[4] = {l0 + x * c.bytes, l0 + (x + 1) * c.bytes, l1 + x * c.bytes, l1 + (x + 1) * c.bytes};
    y0[x] = y_de(p[0][c.r], p[0][c.g], p[0][c.b]);
    y0[x + 1] = y_de(p[1][c.r], p[1][c.g], p[1][c.b]);
    y1[x] = y_de(p[2][c.r], p[2][c.g], p[2][c.b]);
    y1[x + 1] = y_de(p[3][c.r], p[3][c.g], p[3][c.b]);
    const int r = (p[0][c.r] + p[1][c.r] + p[2][c.r] + p[3][c.r] + 2) >> 2;
    const int g = (p[0][c.g] + p[1][c.g] + p[2][c.g] + p[3][c.g] + 2) >> 2;
    const int b = (p[0][c.b] + p[1][c.b] + p[2][c.b] + p[3][c.b] + 2) >> 2;
    uv[x] = u_de(r, g, b);
    uv[x + 1] = v_de(r, g, b);
  }
}

#ifdef NORVA_SSE2
// 32-bit pixels, 16 at a time from each row. Each pixel splits into 16-bit
// lanes (byte 0, byte 2) and (byte 1, byte 3), so one multiply-add per pair
// gives the weighted sums in 32 bits, exactly as the scalar code computes.
class RgbSse2 {
 public:
  explicit RgbSse2(const Canais& c)
      : y02_(pares(c.b == 0 ? 25 : 66, c.b == 0 ? 66 : 25)),
        y13_(pares(129, 0)),
        u02_(pares(c.b == 0 ? 112 : -38, c.b == 0 ? -38 : 112)),
        u13_(pares(-74, 0)),
        v02_(pares(c.b == 0 ? -18 : 112, c.b == 0 ? 112 : -18)),
        v13_(pares(-94, 0)) {}

  void linhas(const std::uint8_t* l0, const std::uint8_t* l1, std::uint8_t* y0, std::uint8_t* y1, std::uint8_t* uv,
              std::size_t x) const {
    __m128i a[4], b[4], mistos[4];
    for (int k = 0; k < 4; ++k) {
      a[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l0 + (x + 4 * k) * 4));
      b[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l1 + (x + 4 * k) * 4));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y0 + x), luma(a));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y1 + x), luma(b));
    const __m128i dois = _mm_set1_epi16(2);
    for (int k = 0; k < 4; ++k) {
      __m128i pares02 = _mm_add_epi16(_mm_and_si128(a[k], baixo()), _mm_and_si128(b[k], baixo()));
      __m128i pares13 = _mm_add_epi16(_mm_and_si128(_mm_srli_epi32(a[k], 8), baixo()),
                                      _mm_and_si128(_mm_srli_epi32(b[k], 8), baixo()));
      // Neighbouring pixels summed into lanes 0 and 2, then the rounded mean.
      pares02 = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(pares02, _mm_shuffle_epi32(pares02, 0xB1)), dois), 2);
      pares13 = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(pares13, _mm_shuffle_epi32(pares13, 0xB1)), dois), 2);
      const __m128i u = soma(pares02, pares13, u02_, u13_, 32896);
      const __m128i v = soma(pares02, pares13, v02_, v13_, 32896);
      // U in the low half of lanes 0 and 2, V in the high half; lanes 0, 2 first.
      mistos[k] = _mm_shuffle_epi32(_mm_or_si128(u, _mm_slli_epi32(v, 16)), 0xD8);
    }
    const __m128i uv01 = _mm_unpacklo_epi64(mistos[0], mistos[1]);
    const __m128i uv23 = _mm_unpacklo_epi64(mistos[2], mistos[3]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(uv + x), _mm_packus_epi16(uv01, uv23));
  }

 private:
  static __m128i pares(int a, int b) {
    return _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(b) << 16) | (static_cast<std::uint32_t>(a) & 0xFFFF)));
  }
  static __m128i baixo() { return _mm_set1_epi32(0x00FF00FF); }
  static __m128i soma(__m128i p02, __m128i p13, __m128i k02, __m128i k13, int constante) {
    const __m128i s = _mm_add_epi32(_mm_madd_epi16(p02, k02), _mm_madd_epi16(p13, k13));
    return _mm_srai_epi32(_mm_add_epi32(s, _mm_set1_epi32(constante)), 8);
  }
  __m128i luma(const __m128i* p) const {
    __m128i y[4];
    for (int k = 0; k < 4; ++k) {
      y[k] = soma(_mm_and_si128(p[k], baixo()), _mm_and_si128(_mm_srli_epi32(p[k], 8), baixo()), y02_, y13_, 4224);
    }
    return _mm_packus_epi16(_mm_packs_epi32(y[0], y[1]), _mm_packs_epi32(y[2], y[3]));
  }

  __m128i y02_, y13_, u02_, u13_, v02_, v13_;
};
constexpr std::size_t PIXELS_POR_PASSO_SSE2 = 16;
static_assert(LARGURA % PIXELS_POR_PASSO_SSE2 == 0);
#endif

void rgb(int formato, const std::uint8_t* origem, std::uint32_t passo, std::uint8_t* nv12, bool rapido) {
  const Canais c = canais_de(formato);
  std::uint8_t* uv = nv12 + TAMANHO_DO_PLANO_Y;
  for (std::size_t linha = 0; linha < LINHAS_UV; ++linha) {
    const std::uint8_t* l0 = origem + 2 * linha * passo;
    const std::uint8_t* l1 = l0 + passo;
    std::uint8_t* y0 = nv12 + 2 * linha * LARGURA;
    std::size_t x = 0;
#ifdef NORVA_SSE2
    if (rapido && c.bytes == 4) {
      const RgbSse2 sse2(c);
      for (; x < LARGURA; x += PIXELS_POR_PASSO_SSE2) sse2.linhas(l0, l1, y0, y0 + LARGURA, uv + linha * LARGURA, x);
    }
#else
    (void)rapido;
#endif
    rgb_escalar(c, l0, l1, y0, y0 + LARGURA, uv + linha * LARGURA, x);
  }
}

void yuy2(const std::uint8_t* origem, std::uint32_t passo, std::uint8_t* nv12) {
  std::uint8_t* uv = nv12 + TAMANHO_DO_PLANO_Y;
  for (std::size_t linha = 0; linha < ALTURA; ++linha) {
    const std::uint8_t* l = origem + linha * passo;
    std::uint8_t* y = nv12 + linha * LARGURA;
    for (std::size_t x = 0; x < LARGURA; ++x) y[x] = l[2 * x];
    if (linha % 2 == 1) {
      const std::uint8_t* acima = l - passo;
      std::uint8_t* destino = uv + (linha / 2) * LARGURA;
      for (std::size_t x = 1; x < 2 * LARGURA; x += 2) destino[x / 2] = static_cast<std::uint8_t>((acima[x] + l[x] + 1) >> 1);
    }
  }
}

void i420(const std::uint8_t* origem, std::uint32_t passo, std::uint8_t* nv12) {
  for (std::size_t linha = 0; linha < ALTURA; ++linha) std::memcpy(nv12 + linha * LARGURA, origem + linha * passo, LARGURA);
  const std::size_t passo_uv = passo / 2;
  const std::uint8_t* u = origem + std::size_t{passo} * ALTURA;
  const std::uint8_t* v = u + passo_uv * LINHAS_UV;
  std::uint8_t* uv = nv12 + TAMANHO_DO_PLANO_Y;
  for (std::size_t linha = 0; linha < LINHAS_UV; ++linha) {
    for (std::size_t x = 0; x < LARGURA / 2; ++x) {
      uv[linha * LARGURA + 2 * x] = u[linha * passo_uv + x];
      uv[linha * LARGURA + 2 * x + 1] = v[linha * passo_uv + x];
    }
  }
}

void converter(int formato, const std::uint8_t* origem, std::uint32_t passo, std::uint8_t* nv12, bool rapido) {
  switch (formato) {
    case NORVA_ESCRITOR_I420: return i420(origem, passo, nv12);
    case NORVA_ESCRITOR_YUY2: return yuy2(origem, passo, nv12);
    default: return rgb(formato, origem, passo, nv12, rapido);
  }
}

}  // namespace

void converter_de_outro_formato(int formato, const std::uint8_t* origem, std::uint32_t passo,
                                std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12) {
  converter(formato, origem, passo, nv12.data(), true);
}

void converter_referencia(int formato, const std::uint8_t* origem, std::uint32_t passo,
                          std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12) {
  converter(formato, origem, passo, nv12.data(), false);
}

}  // namespace norva::produtor
