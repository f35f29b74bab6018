#include "fonte/src/registro/utf8.h"

#include <cstdint>

#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva::detalhe {
namespace {

// Largest scalar value encoded in 1, 2 and 3 bytes.
constexpr char32_t MAXIMO_DE_1_BYTE = 0x7F;
constexpr char32_t MAXIMO_DE_2_BYTES = 0x7FF;
constexpr char32_t MAXIMO_DE_3_BYTES = 0xFFFF;
constexpr char32_t SEIS_BITS = 0x3F;
constexpr char32_t CONTINUACAO = 0x80;
constexpr char32_t INICIO_DE_2 = 0xC0;
constexpr char32_t INICIO_DE_3 = 0xE0;
constexpr char32_t INICIO_DE_4 = 0xF0;

char byte(char32_t valor) { return static_cast<char>(static_cast<unsigned char>(valor)); }

}  // namespace

void acrescentar_utf8(std::string& saida, char32_t p) {
  if (p <= MAXIMO_DE_1_BYTE) {
    saida += byte(p);
  } else if (p <= MAXIMO_DE_2_BYTES) {
    saida += byte(INICIO_DE_2 | (p >> 6));
    saida += byte(CONTINUACAO | (p & SEIS_BITS));
  } else if (p <= MAXIMO_DE_3_BYTES) {
    saida += byte(INICIO_DE_3 | (p >> 12));
    saida += byte(CONTINUACAO | ((p >> 6) & SEIS_BITS));
    saida += byte(CONTINUACAO | (p & SEIS_BITS));
  } else {
    saida += byte(INICIO_DE_4 | (p >> 18));
    saida += byte(CONTINUACAO | ((p >> 12) & SEIS_BITS));
    saida += byte(CONTINUACAO | ((p >> 6) & SEIS_BITS));
    saida += byte(CONTINUACAO | (p & SEIS_BITS));
  }
}

}  // namespace norva::detalhe

// UTF-8 decoding with the "maximal subpart" rule: an ill-formed sequence is
// replaced by one U+FFFD for its longest valid prefix, then decoding resumes
// at the first byte that did not fit.
namespace norva {
namespace {

constexpr char16_t SUBSTITUTO = u'\uFFFD';
constexpr std::uint8_t LIMITE_ASCII = 0x80;
constexpr std::uint8_t MASCARA_DE_CONTINUACAO = 0x3F;
constexpr unsigned BITS_POR_CONTINUACAO = 6;
constexpr std::uint8_t CONTINUACAO_MIN = 0x80;
constexpr std::uint8_t CONTINUACAO_MAX = 0xBF;
constexpr std::uint32_t PRIMEIRO_SUPLEMENTAR = 0x10000;
constexpr char16_t BASE_ALTA = 0xD800;
constexpr char16_t BASE_BAIXA = 0xDC00;
constexpr unsigned BITS_POR_METADE = 10;
constexpr std::uint32_t MASCARA_DA_METADE = 0x3FF;

void anexar(std::u16string& saida, std::uint32_t ponto) {
  if (ponto < PRIMEIRO_SUPLEMENTAR) {
    saida.push_back(static_cast<char16_t>(ponto));
    return;
  }
  const std::uint32_t v = ponto - PRIMEIRO_SUPLEMENTAR;
  saida.push_back(static_cast<char16_t>(BASE_ALTA + (v >> BITS_POR_METADE)));
  saida.push_back(static_cast<char16_t>(BASE_BAIXA + (v & MASCARA_DA_METADE)));
}

}  // namespace

std::u16string utf16_de_utf8(std::string_view texto) {
  std::u16string saida;
  saida.reserve(texto.size());
  std::size_t i = 0;
  while (i < texto.size()) {
    const auto b = static_cast<std::uint8_t>(texto[i]);
    if (b < LIMITE_ASCII) {
      saida.push_back(b);
      ++i;
      continue;
    }
    // The lead byte's shape is the sanitiser's, so both read UTF-8 alike.
    const higiene::FormaDaSequencia inicio = higiene::forma_da_sequencia(b);
    if (inicio.tamanho == 0) {
      saida.push_back(SUBSTITUTO);
      ++i;
      continue;
    }
    std::uint32_t ponto = b & inicio.bits_do_primeiro;
    std::size_t lidos = 1;
    for (; lidos < inicio.tamanho && i + lidos < texto.size(); ++lidos) {
      const auto c = static_cast<std::uint8_t>(texto[i + lidos]);
      const std::uint8_t min = lidos == 1 ? inicio.segundo_min : CONTINUACAO_MIN;
      const std::uint8_t max = lidos == 1 ? inicio.segundo_max : CONTINUACAO_MAX;
      if (c < min || c > max) break;
      ponto = (ponto << BITS_POR_CONTINUACAO) | (c & MASCARA_DE_CONTINUACAO);
    }
    if (lidos == inicio.tamanho) {
      anexar(saida, ponto);
    } else {
      saida.push_back(SUBSTITUTO);
    }
    i += lidos;
  }
  return saida;
}

}  // namespace norva
