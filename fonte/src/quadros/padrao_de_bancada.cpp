#include "fonte/src/quadros/padrao_de_bancada.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#else
#error "the bench pattern is drawn with SSE2; build for x86-64"
#endif

namespace norva {
namespace {

constexpr std::uint32_t PIXELS_POR_BLOCO = 16;  // one 128-bit store
// The ramp's column term is x / 32: one value for two blocks.
constexpr std::uint32_t COLUNAS_POR_DEGRAU = 32;

// Row term of the ramp: 16 + (160 y) / 1080, from 16 (top) to 175 (bottom).
constexpr std::uint32_t termo_da_linha(std::uint32_t y) { return 16 + (160 * y) / ALTURA; }

// One luma row. The ramp's column term x / 32 is constant over each pair of
// 16-pixel blocks, so the row is produced by vector stores of a register that
// steps by 1 every 32 pixels (no loads: the store rate is what limits the
// drawing). On a grid row every value is brightened and capped at white, and
// stepping keeps the cap. Then the few grid-column pixels of an ordinary row
// are brightened, and the bar is laid over everything.
void desenhar_linha(std::uint32_t y, std::uint32_t inicio_da_barra, std::uint8_t* destino) {
  const __m128i branco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::LUMA_DO_BRANCO));
  const __m128i um = _mm_set1_epi8(1);
  const bool linha_da_grade = y % PadraoDeBancada::PASSO_DA_GRADE == 0;

  __m128i valor = _mm_set1_epi8(static_cast<char>(termo_da_linha(y)));
  if (linha_da_grade) {
    const __m128i reforco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::REFORCO_DA_GRADE));
    valor = _mm_min_epu8(_mm_adds_epu8(valor, reforco), branco);
  }
  constexpr std::uint32_t PASSO = 2 * COLUNAS_POR_DEGRAU;
  static_assert(LARGURA % PASSO == 0 && COLUNAS_POR_DEGRAU == 2 * PIXELS_POR_BLOCO);
  for (std::uint32_t x = 0; x < LARGURA; x += PASSO) {
    const __m128i seguinte = _mm_min_epu8(_mm_adds_epu8(valor, um), branco);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x), valor);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x + 16), valor);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x + 32), seguinte);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x + 48), seguinte);
    valor = _mm_min_epu8(_mm_adds_epu8(seguinte, um), branco);
  }

  if (!linha_da_grade) {
    for (std::uint32_t x = 0; x < LARGURA; x += PadraoDeBancada::PASSO_DA_GRADE) {
      destino[x] = static_cast<std::uint8_t>(
          std::min<std::uint32_t>(PadraoDeBancada::LUMA_DO_BRANCO, destino[x] + PadraoDeBancada::REFORCO_DA_GRADE));
    }
  }
  // The bar is not wrapped: near the right edge it narrows.
  const std::uint32_t largura_da_barra = std::min(PadraoDeBancada::LARGURA_DA_BARRA, LARGURA - inicio_da_barra);
  std::memset(destino + inicio_da_barra, PadraoDeBancada::LUMA_DO_BRANCO, largura_da_barra);
}

void desenhar_luma(std::uint64_t n, std::uint8_t* plano_y) {
  const std::uint32_t inicio_da_barra = PadraoDeBancada::inicio_da_barra(n);
  for (std::uint32_t y = 0; y < ALTURA; ++y) {
    desenhar_linha(y, inicio_da_barra, plano_y + std::size_t{y} * LARGURA);
  }
}

void desenhar_croma(PadraoDeBancada::Croma croma, std::uint8_t* plano_uv) {
  constexpr std::size_t TAMANHO_DO_PLANO_UV = TAMANHO_DO_QUADRO - TAMANHO_DO_PLANO_Y;
  constexpr std::size_t PADRAO = 32;  // one 32-byte UVUV... pattern, stored twice per step
  constexpr std::size_t PASSO = 2 * PADRAO;
  static_assert(TAMANHO_DO_PLANO_UV % PASSO == 0);
  const __m128i par = _mm_set1_epi16(static_cast<short>(croma.u | (croma.v << 8)));
  for (std::size_t i = 0; i < TAMANHO_DO_PLANO_UV; i += PASSO) {
    for (std::size_t k = 0; k < PASSO; k += 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(plano_uv + i + k), par);
    }
  }
}

// truncate(clamp(v, 0, 255)) in single precision.
std::uint8_t byte_de_croma(float valor) {
  return static_cast<std::uint8_t>(std::min(255.0f, std::max(0.0f, valor)));
}

}  // namespace

PadraoDeBancada::Croma PadraoDeBancada::croma(std::uint64_t n) {
  // Every step in single precision: beyond 2^24 the conversion rounds n, so
  // neighbouring frames may share a colour.
  const float t = static_cast<float>(n) * 0.05f;
  const float u = std::sin(t) * 60.0f + 128.0f;
  const float v = std::cos(t) * 60.0f + 128.0f;
  return {byte_de_croma(u), byte_de_croma(v)};
}

void PadraoDeBancada::desenhar_em(std::uint64_t n, std::span<std::uint8_t, TAMANHO_DO_QUADRO> destino) {
  desenhar_luma(n, destino.data());
  desenhar_croma(croma(n), destino.data() + TAMANHO_DO_PLANO_Y);
}

DadosDoQuadro PadraoDeBancada::desenhar(std::uint64_t n) {
  DadosDoQuadro dados = novo_quadro();
  desenhar_em(n, std::span<std::uint8_t, TAMANHO_DO_QUADRO>(dados.get(), TAMANHO_DO_QUADRO));
  return dados;
}

}  // namespace norva
