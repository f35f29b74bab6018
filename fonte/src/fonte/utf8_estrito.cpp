#include "fonte/src/fonte/utf8_estrito.h"

#include <cstdint>

namespace norva {
namespace {

constexpr char32_t INICIO_DO_ALTO = 0xD800;
constexpr char32_t INICIO_DO_BAIXO = 0xDC00;
constexpr char32_t FIM_DOS_SUBSTITUTOS = 0xE000;
constexpr char32_t INICIO_DOS_SUPLEMENTARES = 0x10000;
constexpr unsigned BITS_POR_METADE = 10;
constexpr char32_t LIMITE_DE_1_BYTE = 0x80;
constexpr char32_t LIMITE_DE_2_BYTES = 0x800;
constexpr char32_t LIMITE_DE_3_BYTES = 0x10000;
constexpr unsigned BITS_POR_CONTINUACAO = 6;
constexpr char32_t MASCARA_DE_CONTINUACAO = 0x3F;
constexpr unsigned char MARCA_DE_CONTINUACAO = 0x80;
constexpr unsigned char INICIO_DE_2_BYTES = 0xC0;
constexpr unsigned char INICIO_DE_3_BYTES = 0xE0;
constexpr unsigned char INICIO_DE_4_BYTES = 0xF0;

void acrescentar(std::string& saida, char32_t ponto) {
  auto continuacao = [&](unsigned deslocamento) {
    saida += static_cast<char>(MARCA_DE_CONTINUACAO | ((ponto >> deslocamento) & MASCARA_DE_CONTINUACAO));
  };
  if (ponto < LIMITE_DE_1_BYTE) {
    saida += static_cast<char>(ponto);
  } else if (ponto < LIMITE_DE_2_BYTES) {
    saida += static_cast<char>(INICIO_DE_2_BYTES | (ponto >> BITS_POR_CONTINUACAO));
    continuacao(0);
  } else if (ponto < LIMITE_DE_3_BYTES) {
    saida += static_cast<char>(INICIO_DE_3_BYTES | (ponto >> (2 * BITS_POR_CONTINUACAO)));
    continuacao(BITS_POR_CONTINUACAO);
    continuacao(0);
  } else {
    saida += static_cast<char>(INICIO_DE_4_BYTES | (ponto >> (3 * BITS_POR_CONTINUACAO)));
    continuacao(2 * BITS_POR_CONTINUACAO);
    continuacao(BITS_POR_CONTINUACAO);
    continuacao(0);
  }
}

}  // namespace

std::optional<std::string> utf8_estrito(std::u16string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const char32_t u = texto[i];
    if (u < INICIO_DO_ALTO || u >= FIM_DOS_SUBSTITUTOS) {
      acrescentar(saida, u);
      continue;
    }
    if (u >= INICIO_DO_BAIXO || i + 1 == texto.size()) return std::nullopt;
    const char32_t seguinte = texto[i + 1];
    if (seguinte < INICIO_DO_BAIXO || seguinte >= FIM_DOS_SUBSTITUTOS) return std::nullopt;
    acrescentar(saida, INICIO_DOS_SUPLEMENTARES + ((u - INICIO_DO_ALTO) << BITS_POR_METADE) +
                           (seguinte - INICIO_DO_BAIXO));
    ++i;
  }
  return saida;
}

}  // namespace norva
