// A small program the log writer's tests start as child processes, copied
// under other names (the consumer tag comes from the executable's name) or
// several at once (processes appending to the same file).
//   registro_auxiliar escrever MARCA N   logs "MARCA 1" .. "MARCA N"
#include <cstdlib>
#include <string>
#include <string_view>

#include "fonte/src/registro/registro.h"

namespace {

constexpr int SUCESSO = 0;
constexpr int USO_ERRADO = 2;
constexpr int BASE_DECIMAL = 10;

}  // namespace

int main(int argc, char** argv) {
  const std::string_view comando = argc > 1 ? argv[1] : "";
  if (comando != "escrever" || argc != 4) return USO_ERRADO;
  const std::string marca = argv[2];
  const long linhas = std::strtol(argv[3], nullptr, BASE_DECIMAL);
  for (long i = 1; i <= linhas; ++i) norva::Registro::escrever(marca + " " + std::to_string(i));
  return SUCESSO;
}
