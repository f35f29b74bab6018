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
// steps by 1 every 32 pixels, with no loads: the store rate is what limits
// the drawing. On a grid row every value is brightened and capped at white
// (stepping keeps the cap); on the other rows only lane 0 of each 128-pixel
// step is a grid column. The bar is then laid over the row.
void desenhar_linha(std::uint32_t y, std::uint32_t inicio_da_barra, std::uint8_t* destino) {
  const __m128i branco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::LUMA_DO_BRANCO));
  const __m128i reforco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::REFORCO_DA_GRADE));
  const bool linha_da_grade = y % PadraoDeBancada::PASSO_DA_GRADE == 0;
  const auto mais = [&branco](__m128i v, __m128i k) { return _mm_min_epu8(_mm_adds_epu8(v, k), branco); };

  __m128i valor = _mm_set1_epi8(static_cast<char>(termo_da_linha(y)));
  if (linha_da_grade) valor = mais(valor, reforco);
  // The grid column's extra brightness, in lane 0 only (none on a grid row,
  // which is bright already).
  const __m128i reforco_da_coluna =
      linha_da_grade ? _mm_setzero_si128() : _mm_cvtsi32_si128(PadraoDeBancada::REFORCO_DA_GRADE);

  // Four column steps per iteration, each derived from the iteration's first
  // value, so the loop-carried chain is one add and one min per eight stores.
  constexpr std::uint32_t DEGRAUS_POR_PASSO = 4;
  constexpr std::uint32_t PASSO = DEGRAUS_POR_PASSO * COLUNAS_POR_DEGRAU;
  static_assert(PASSO == PadraoDeBancada::PASSO_DA_GRADE, "one grid column per step, at its start");
  static_assert(LARGURA % PASSO == 0 && COLUNAS_POR_DEGRAU == 2 * PIXELS_POR_BLOCO);
  const __m128i um = _mm_set1_epi8(1), dois = _mm_set1_epi8(2), tres = _mm_set1_epi8(3);
  const __m128i quatro = _mm_set1_epi8(static_cast<char>(DEGRAUS_POR_PASSO));
  for (std::uint32_t x = 0; x < LARGURA; x += PASSO) {
    const __m128i blocos[2 * DEGRAUS_POR_PASSO] = {
        mais(valor, reforco_da_coluna), valor,     mais(valor, um),  mais(valor, um),
        mais(valor, dois),              mais(valor, dois), mais(valor, tres), mais(valor, tres)};
    for (std::uint32_t b = 0; b < 2 * DEGRAUS_POR_PASSO; ++b) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x + b * PIXELS_POR_BLOCO), blocos[b]);
    }
    valor = mais(valor, quatro);
  }

  // The bar is not wrapped: near the right edge it narrows. A whole bar is
  // four overlapping 16-byte stores.
  static_assert(PadraoDeBancada::LARGURA_DA_BARRA > 3 * PIXELS_POR_BLOCO &&
                PadraoDeBancada::LARGURA_DA_BARRA <= 4 * PIXELS_POR_BLOCO);
  if (inicio_da_barra + PadraoDeBancada::LARGURA_DA_BARRA <= LARGURA) {
    std::uint8_t* barra = destino + inicio_da_barra;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(barra), branco);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(barra + PIXELS_POR_BLOCO), branco);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(barra + 2 * PIXELS_POR_BLOCO), branco);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(barra + PadraoDeBancada::LARGURA_DA_BARRA - PIXELS_POR_BLOCO), branco);
  } else {
    std::memset(destino + inicio_da_barra, PadraoDeBancada::LUMA_DO_BRANCO, LARGURA - inicio_da_barra);
  }
}

void desenhar_luma(std::uint64_t n, std::uint8_t* plano_y) {
  const std::uint32_t inicio_da_barra = PadraoDeBancada::inicio_da_barra(n);
  for (std::uint32_t y = 0; y < ALTURA; ++y) {
    desenhar_linha(y, inicio_da_barra, plano_y + std::size_t{y} * LARGURA);
  }
}

void desenhar_croma(PadraoDeBancada::Croma croma, std::uint8_t* plano_uv) {
  constexpr std::size_t TAMANHO_DO_PLANO_UV = TAMANHO_DO_QUADRO - TAMANHO_DO_PLANO_Y;
  // Four 16-byte stores of eight UV pairs each per step of the outer loop.
  constexpr std::size_t PASSO = 4 * sizeof(__m128i);
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
