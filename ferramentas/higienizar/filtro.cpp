#include "ferramentas/higienizar/filtro.h"

#include <cstddef>
#include <string>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva::ferramentas {

ResultadoDoFiltro filtrar(std::istream& entrada, std::ostream& saida, std::ostream& erros) {
  std::string linha;
  std::size_t numero = 0;
  std::size_t inicio_da_linha = 0;  // byte offset of the line in the input
  while (std::getline(entrada, linha)) {
    ++numero;
    const std::size_t invalido = higiene::primeiro_byte_invalido(linha);
    if (invalido != higiene::SEM_ERRO) {
      saida.flush();
      erros << "higienizar: line " << numero << ": invalid UTF-8 at byte offset " << invalido
            << " of the line (offset " << inicio_da_linha + invalido
            << " in the input); stopped, this line and the rest were not written\n";
      return ResultadoDoFiltro::Utf8Invalido;
    }
    const std::string limpa = Higiene::higienizar(linha);
    saida.write(limpa.data(), static_cast<std::streamsize>(limpa.size()));
    saida.put('\n');
    if (!saida) break;
    inicio_da_linha += linha.size() + 1;
  }
  saida.flush();
  if (!saida) {
    erros << "higienizar: cannot write the standard output\n";
    return ResultadoDoFiltro::FalhaDeEs;
  }
  if (entrada.bad()) {
    erros << "higienizar: cannot read the standard input\n";
    return ResultadoDoFiltro::FalhaDeEs;
  }
  return ResultadoDoFiltro::Ok;
}

}  // namespace norva::ferramentas
