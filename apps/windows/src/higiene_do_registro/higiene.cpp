// INCOMPLETE: only line joining is done yet; the value and word rules are
// being written. Do not ship.
#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {

std::string Higiene::higienizar(std::string_view texto) {
  return juntar_linhas(ocultar_palavras(ocultar_valores(texto)));
}

std::string Higiene::ocultar_valores(std::string_view texto) { return std::string(texto); }
std::string Higiene::ocultar_palavras(std::string_view texto) { return std::string(texto); }
std::size_t Higiene::fim_do_agrupamento(std::string_view texto, std::size_t) { return texto.size(); }
std::string Higiene::classificar_palavra(std::string_view palavra) { return std::string(palavra); }

std::string Higiene::juntar_linhas(std::string_view texto) {
  std::string saida;
  std::size_t inicio = 0;
  bool primeira = true;
  while (inicio < texto.size()) {
    std::size_t fim = texto.find('\n', inicio);
    const bool tem_fim = fim != std::string_view::npos;
    if (!tem_fim) fim = texto.size();
    std::size_t corte = fim;
    if (tem_fim && corte > inicio && texto[corte - 1] == '\r') --corte;
    if (!primeira) saida += " | ";
    saida.append(texto.substr(inicio, corte - inicio));
    primeira = false;
    inicio = tem_fim ? fim + 1 : fim;
  }
  return saida;
}

}  // namespace norva
