// POSIX streams never translate line ends: nothing to do.
#include "ferramentas/higienizar/modo_binario.h"

namespace norva::ferramentas {

void usar_modo_binario_nas_entradas_e_saidas() {}

}  // namespace norva::ferramentas
