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

constexpr std::uint32_t PIXELS_POR_BLOCO = 16;
constexpr std::uint32_t BLOCOS_POR_LINHA = LARGURA / PIXELS_POR_BLOCO;
static_assert(LARGURA % PIXELS_POR_BLOCO == 0);
// The ramp's column term is x / 32: constant across each block of 16 pixels
// that starts at a multiple of 16.
constexpr std::uint32_t COLUNAS_POR_DEGRAU = 32;
static_assert(COLUNAS_POR_DEGRAU % PIXELS_POR_BLOCO == 0);
// A grid column starts a block: only the block's first lane can be on it.
static_assert(PadraoDeBancada::PASSO_DA_GRADE % PIXELS_POR_BLOCO == 0);

// Row term of the ramp: 16 + (160 y) / 1080, from 16 (top) to 175 (bottom).
constexpr std::uint32_t termo_da_linha(std::uint32_t y) { return 16 + (160 * y) / ALTURA; }

// Lanes of the bar inside the block starting at x0, as a byte mask. The
// bar's bounds relative to the block are clamped to [-1, 16] so that they
// fit the signed 8-bit compares.
__m128i mascara_da_barra(std::uint32_t inicio, std::uint32_t x0, __m128i indices) {
  const auto relativo = [x0](std::int64_t borda) {
    return static_cast<char>(std::clamp<std::int64_t>(borda - x0, -1, PIXELS_POR_BLOCO));
  };
  const char de = relativo(inicio);  // first lane inside
  const char ate = relativo(std::int64_t{inicio} + PadraoDeBancada::LARGURA_DA_BARRA);  // first lane past
  const __m128i depois_do_inicio = _mm_cmpgt_epi8(indices, _mm_set1_epi8(static_cast<char>(de - 1)));
  const __m128i antes_do_fim = _mm_cmplt_epi8(indices, _mm_set1_epi8(ate));
  return _mm_and_si128(depois_do_inicio, antes_do_fim);
}

// mascara ? se_sim : se_nao, byte by byte.
__m128i escolher(__m128i mascara, __m128i se_sim, __m128i se_nao) {
  return _mm_or_si128(_mm_and_si128(mascara, se_sim), _mm_andnot_si128(mascara, se_nao));
}

void desenhar_luma(std::uint64_t n, std::uint8_t* plano_y) {
  const std::uint32_t inicio = PadraoDeBancada::inicio_da_barra(n);
  const __m128i indices = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i branco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::LUMA_DO_BRANCO));
  const __m128i reforco = _mm_set1_epi8(static_cast<char>(PadraoDeBancada::REFORCO_DA_GRADE));
  const __m128i primeira_faixa = _mm_cmpeq_epi8(indices, _mm_setzero_si128());

  // The bar is the same in every row: work out its mask per block once.
  __m128i barra[BLOCOS_POR_LINHA];
  for (std::uint32_t b = 0; b < BLOCOS_POR_LINHA; ++b) {
    barra[b] = mascara_da_barra(inicio, b * PIXELS_POR_BLOCO, indices);
  }

  for (std::uint32_t y = 0; y < ALTURA; ++y) {
    const std::uint32_t linha = termo_da_linha(y);
    const __m128i linha_da_grade =
        (y % PadraoDeBancada::PASSO_DA_GRADE == 0) ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    std::uint8_t* destino = plano_y + std::size_t{y} * LARGURA;
    for (std::uint32_t b = 0; b < BLOCOS_POR_LINHA; ++b) {
      const std::uint32_t x0 = b * PIXELS_POR_BLOCO;
      const __m128i rampa = _mm_set1_epi8(static_cast<char>(linha + x0 / COLUNAS_POR_DEGRAU));
      const __m128i coluna_da_grade =
          (x0 % PadraoDeBancada::PASSO_DA_GRADE == 0) ? primeira_faixa : _mm_setzero_si128();
      const __m128i grade = _mm_or_si128(linha_da_grade, coluna_da_grade);
      const __m128i clareada = _mm_min_epu8(_mm_adds_epu8(rampa, reforco), branco);
      const __m128i fundo = escolher(grade, clareada, rampa);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + x0), escolher(barra[b], branco, fundo));
    }
  }
}

void desenhar_croma(PadraoDeBancada::Croma croma, std::uint8_t* plano_uv) {
  constexpr std::size_t TAMANHO_DO_PLANO_UV = TAMANHO_DO_QUADRO - TAMANHO_DO_PLANO_Y;
  constexpr std::size_t PASSO = 32;  // two 16-byte stores of the same UVUV... pattern
  static_assert(TAMANHO_DO_PLANO_UV % PASSO == 0);
  const __m128i par = _mm_set1_epi16(static_cast<short>(croma.u | (croma.v << 8)));
  for (std::size_t i = 0; i < TAMANHO_DO_PLANO_UV; i += PASSO) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(plano_uv + i), par);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(plano_uv + i + 16), par);
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
