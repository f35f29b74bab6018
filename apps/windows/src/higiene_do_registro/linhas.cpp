// Stage 3: the lines of a message become one line, joined by " | ".
#include <cstddef>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {
namespace {

constexpr std::string_view JUNCAO = " | ";

}  // namespace

// A line ends at a line feed, which is dropped with a carriage return right
// before it; a lone carriage return stays. A final line feed opens no empty
// last line, so the output never holds a line feed.
std::string Higiene::juntar_linhas(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  std::size_t inicio = 0;
  bool primeira = true;
  while (inicio < texto.size()) {
    const std::size_t quebra = texto.find('\n', inicio);
    const std::size_t fim = quebra == std::string_view::npos ? texto.size() : quebra;
    std::size_t corte = fim;
    if (quebra != std::string_view::npos && corte > inicio && texto[corte - 1] == '\r') --corte;
    if (!primeira) saida.append(JUNCAO);
    saida.append(texto.substr(inicio, corte - inicio));
    primeira = false;
    inicio = fim + 1;
  }
  return saida;
}

}  // namespace norva
