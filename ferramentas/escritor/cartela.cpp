#include "ferramentas/escritor/cartela.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace norva::ferramentas {
namespace {

struct Cor {
  std::uint8_t y, u, v;
};

// 75% colour bars, BT.601 limited range: white, yellow, cyan, green,
// magenta, red, blue, black.
constexpr std::array<Cor, 8> BARRAS = {{{180, 128, 128},
                                        {162, 44, 142},
                                        {131, 156, 44},
                                        {112, 72, 58},
                                        {84, 184, 198},
                                        {65, 100, 212},
                                        {35, 212, 114},
                                        {16, 128, 128}}};
constexpr Cor FUNDO_DOS_DIGITOS{16, 128, 128};
constexpr std::uint8_t LUMA_ACESA = 235;
constexpr std::uint8_t LUMA_DA_CAIXA = 235;
constexpr std::uint32_t MARGEM = 24;  // black around the digits
constexpr std::uint64_t BASE = 10;
constexpr std::uint8_t LIMIAR_ACESO = 128;

// Segment bits per digit 0-9: a b c d e f g.
constexpr std::array<std::uint8_t, 10> SEGMENTOS = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

struct Retangulo {
  std::uint32_t x, y, largura, altura;
};

// The seven segment rectangles of the digit whose top-left corner is (x, y).
std::array<Retangulo, 7> retangulos(std::uint32_t x, std::uint32_t y) {
  constexpr std::uint32_t L = Cartela::LARGURA_DO_DIGITO;
  constexpr std::uint32_t A = Cartela::ALTURA_DO_DIGITO;
  constexpr std::uint32_t E = Cartela::ESPESSURA;
  constexpr std::uint32_t MEIO = (A - E) / 2;
  return {{{x, y, L, E},                         // a
           {x + L - E, y, E, MEIO + E},          // b
           {x + L - E, y + MEIO, E, A - MEIO},   // c
           {x, y + A - E, L, E},                 // d
           {x, y + MEIO, E, A - MEIO},           // e
           {x, y, E, MEIO + E},                  // f
           {x, y + MEIO, L, E}}};                // g
}

std::uint32_t x_do_digito(std::uint32_t i) {
  return Cartela::X_DOS_DIGITOS + i * (Cartela::LARGURA_DO_DIGITO + Cartela::INTERVALO);
}

void pintar_luma(std::span<std::uint8_t, TAMANHO_DO_QUADRO> q, const Retangulo& r, std::uint8_t luma) {
  for (std::uint32_t y = r.y; y < std::min(r.y + r.altura, ALTURA); ++y) {
    const std::uint32_t fim = std::min(r.x + r.largura, LARGURA);
    if (fim > r.x) std::memset(q.data() + std::size_t{y} * LARGURA + r.x, luma, fim - r.x);
  }
}

void pintar(std::span<std::uint8_t, TAMANHO_DO_QUADRO> q, const Retangulo& r, Cor cor) {
  pintar_luma(q, r, cor.y);
  for (std::uint32_t y = r.y / 2; y < std::min(r.y + r.altura, ALTURA) / 2; ++y) {
    std::uint8_t* linha = q.data() + TAMANHO_DO_PLANO_Y + std::size_t{y} * LARGURA;
    for (std::uint32_t x = r.x / 2; x < std::min(r.x + r.largura, LARGURA) / 2; ++x) {
      linha[2 * x] = cor.u;
      linha[2 * x + 1] = cor.v;
    }
  }
}

}  // namespace

std::uint8_t Cartela::segmentos(std::uint32_t digito) { return SEGMENTOS[digito % BASE]; }

void Cartela::desenhar(std::uint64_t n, std::span<std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  const std::uint32_t largura_da_barra = LARGURA / BARRAS.size();
  for (std::uint32_t i = 0; i < BARRAS.size(); ++i) {
    pintar(quadro, {i * largura_da_barra, 0, largura_da_barra, ALTURA}, BARRAS[i]);
  }
  // The box runs along the lower part of the picture, left to right.
  const std::uint32_t curso = LARGURA - LADO_DA_CAIXA;
  const auto x_da_caixa = static_cast<std::uint32_t>((n * PASSO_DA_CAIXA) % curso);
  pintar_luma(quadro, {x_da_caixa, ALTURA - 2 * LADO_DA_CAIXA, LADO_DA_CAIXA, LADO_DA_CAIXA}, LUMA_DA_CAIXA);

  pintar(quadro,
         {X_DOS_DIGITOS - MARGEM, Y_DOS_DIGITOS - MARGEM, x_do_digito(DIGITOS) - X_DOS_DIGITOS - INTERVALO + 2 * MARGEM,
          ALTURA_DO_DIGITO + 2 * MARGEM},
         FUNDO_DOS_DIGITOS);
  std::uint64_t resto = n;
  for (std::uint32_t i = DIGITOS; i-- > 0;) {
    const auto digito = static_cast<std::uint32_t>(resto % BASE);
    resto /= BASE;
    const auto rs = retangulos(x_do_digito(i), Y_DOS_DIGITOS);
    for (std::uint32_t s = 0; s < rs.size(); ++s) {
      if (segmentos(digito) & (1u << s)) pintar_luma(quadro, rs[s], LUMA_ACESA);
    }
  }
}

std::uint64_t Cartela::ler_numero(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  std::uint64_t n = 0;
  for (std::uint32_t i = 0; i < DIGITOS; ++i) {
    const auto rs = retangulos(x_do_digito(i), Y_DOS_DIGITOS);
    std::uint8_t acesos = 0;
    for (std::uint32_t s = 0; s < rs.size(); ++s) {
      // The centre of a segment belongs to it alone.
      const std::uint32_t cx = rs[s].x + rs[s].largura / 2;
      const std::uint32_t cy = rs[s].y + rs[s].altura / 2;
      if (quadro[std::size_t{cy} * LARGURA + cx] >= LIMIAR_ACESO) acesos |= static_cast<std::uint8_t>(1u << s);
    }
    const auto it = std::find(SEGMENTOS.begin(), SEGMENTOS.end(), acesos);
    n = n * BASE + static_cast<std::uint64_t>(it == SEGMENTOS.end() ? 0 : it - SEGMENTOS.begin());
  }
  return n;
}

}  // namespace norva::ferramentas
