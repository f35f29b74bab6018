#include "fonte/src/registro/utf8.h"

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
