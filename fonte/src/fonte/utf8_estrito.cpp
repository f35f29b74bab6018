#include "fonte/src/fonte/utf8_estrito.h"

#include "fonte/src/registro/utf8.h"

namespace norva {

std::optional<std::string> utf8_estrito(std::u16string_view texto) {
  if (!utf16_bem_formado(texto)) return std::nullopt;
  return utf8_de_utf16(texto);
}

}  // namespace norva
