#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva::higiene {
namespace {

constexpr std::uint8_t LIMITE_ASCII = 0x80;
constexpr std::uint8_t CONTINUACAO_MIN = 0x80;
constexpr std::uint8_t CONTINUACAO_MAX = 0xBF;
constexpr std::uint8_t BITS_DE_CONTINUACAO = 0x3F;
constexpr int DESLOCAMENTO_DE_CONTINUACAO = 6;

}  // namespace

Caractere decodificar(std::string_view texto, std::size_t pos) noexcept {
  const auto primeiro = static_cast<std::uint8_t>(texto[pos]);
  if (primeiro < LIMITE_ASCII) return {primeiro, 1};
  const FormaDaSequencia f = forma_da_sequencia(primeiro);
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
