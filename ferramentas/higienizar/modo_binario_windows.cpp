#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "ferramentas/higienizar/modo_binario.h"

namespace norva::ferramentas {

void usar_modo_binario_nas_entradas_e_saidas() {
  (void)_setmode(_fileno(stdin), _O_BINARY);
  (void)_setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace norva::ferramentas
