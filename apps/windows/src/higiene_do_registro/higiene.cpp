#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {

std::string Higiene::higienizar(std::string_view texto) {
  return juntar_linhas(ocultar_palavras(ocultar_valores(texto)));
}

}  // namespace norva
