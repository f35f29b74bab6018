#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva::higiene {
namespace {

constexpr std::uint8_t LIMITE_ASCII = 0x80;
constexpr std::uint8_t CONTINUACAO_MIN = 0x80;
constexpr std::uint8_t CONTINUACAO_MAX = 0xBF;
constexpr std::uint8_t BITS_DE_CONTINUACAO = 0x3F;
constexpr int DESLOCAMENTO_DE_CONTINUACAO = 6;

// The shape of a sequence that starts with a given lead byte: its length, the
// bits the lead byte carries, and the allowed range of the second byte (which
// is what rules out overlong forms, surrogates and code points past U+10FFFF).
struct FormaDaSequencia {
  std::size_t tamanho;  // 0: the byte cannot start a sequence
  std::uint8_t bits_do_primeiro;
  std::uint8_t segundo_min;
  std::uint8_t segundo_max;
};

constexpr FormaDaSequencia forma(std::uint8_t b) noexcept {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x1F, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0x0F, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x0F, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x0F, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x07, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x07, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x07, 0x80, 0x8F};
  return {0, 0, 0, 0};
}

}  // namespace

Caractere decodificar(std::string_view texto, std::size_t pos) noexcept {
  const auto primeiro = static_cast<std::uint8_t>(texto[pos]);
  if (primeiro < LIMITE_ASCII) return {primeiro, 1};
  const FormaDaSequencia f = forma(primeiro);
  if (f.tamanho == 0 || texto.size() - pos < f.tamanho) return {CARACTERE_INVALIDO, 1};
  const auto segundo = static_cast<std::uint8_t>(texto[pos + 1]);
  if (segundo < f.segundo_min || segundo > f.segundo_max) return {CARACTERE_INVALIDO, 1};
  char32_t ponto = (primeiro & f.bits_do_primeiro) << DESLOCAMENTO_DE_CONTINUACAO |
                   (segundo & BITS_DE_CONTINUACAO);
  for (std::size_t i = 2; i < f.tamanho; ++i) {
    const auto b = static_cast<std::uint8_t>(texto[pos + i]);
    if (b < CONTINUACAO_MIN || b > CONTINUACAO_MAX) return {CARACTERE_INVALIDO, 1};
    ponto = ponto << DESLOCAMENTO_DE_CONTINUACAO | (b & BITS_DE_CONTINUACAO);
  }
  return {ponto, f.tamanho};
}

std::size_t primeiro_byte_invalido(std::string_view texto) noexcept {
  std::size_t pos = 0;
  while (pos < texto.size()) {
    const Caractere c = decodificar(texto, pos);
    if (c.ponto == CARACTERE_INVALIDO) return pos;
    pos += c.tamanho;
  }
  return SEM_ERRO;
}

}  // namespace norva::higiene
