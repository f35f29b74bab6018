// higienizar: sanitises text with exactly the rules of the camera's log.
//   higienizar < entrada.txt > saida.txt
// Each line of standard input (UTF-8) is one message; each comes out
// sanitised on one line of standard output. See filtro.h for the details and
// the exit status.
#include <iostream>

#include "ferramentas/higienizar/filtro.h"
#include "ferramentas/higienizar/modo_binario.h"

int main() {
  norva::ferramentas::usar_modo_binario_nas_entradas_e_saidas();
  std::ios::sync_with_stdio(false);
  return static_cast<int>(norva::ferramentas::filtrar(std::cin, std::cout, std::cerr));
}
