// Alone in their file: a test program that links replacements never pulls
// these in.
#include "fonte/src/registro/destino_do_registro.h"

#include "fonte/src/registro/arquivo_do_registro.h"

namespace norva {

std::wstring_view pasta_do_registro() { return PASTA_DO_REGISTRO; }

void acrescentar_ao_registro(std::string_view linha) noexcept {
  acrescentar_linha(PASTA_DO_REGISTRO, ARQUIVO_DO_REGISTRO, linha);
}

}  // namespace norva
