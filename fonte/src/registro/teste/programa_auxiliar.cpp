// A small program the log writer's tests copy under other names and start:
// the consumer tag of its line comes from the executable's name.
//   norva_registro_auxiliar MARCA   logs "MARCA"
#include "fonte/src/registro/registro.h"

int main(int argc, char** argv) {
  constexpr int USO_ERRADO = 2;
  if (argc != 2) return USO_ERRADO;
  norva::Registro::escrever(argv[1]);
  return 0;
}
