#include "fonte/src/lib/utf16.h"

#include "fonte/src/registro/utf8.h"

namespace norva {

std::u16string para_utf16(std::string_view texto) {
  std::u16string saida = utf16_de_utf8(texto);
  saida.push_back(u'\0');
  return saida;
}

}  // namespace norva
