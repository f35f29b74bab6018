// higienizar: sanitises text with exactly the rules of the camera's log.
//   higienizar < entrada.txt > saida.txt
// Each line of standard input (UTF-8) is one message; each comes out
// sanitised on one line of standard output. See filtro.h for the details and
// the exit status.
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

#include "ferramentas/higienizar/filtro.h"

int main() {
#ifdef _WIN32
  // Bytes pass unchanged: the C runtime would otherwise turn "\r\n" into
  // "\n" on input and "\n" into "\r\n" on output, and stop reading at a
  // Ctrl-Z byte. POSIX streams never translate.
  (void)_setmode(_fileno(stdin), _O_BINARY);
  (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  return static_cast<int>(norva::ferramentas::filtrar(std::cin, std::cout, std::cerr));
}
