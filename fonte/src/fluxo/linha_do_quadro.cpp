#include "fonte/src/fluxo/linha_do_quadro.h"

#include <string>

#include "fonte/src/registro/texto_de_erro.h"

namespace norva {

std::string linha_do_quadro(std::uint64_t n, Origem origem, const ContadoresDoCano& c) {
  using std::to_string;
  std::string linha = "quadro " + to_string(n) + " entregue (origem=";
  linha += nome_da_origem(origem);
  linha += ") \u2014 cano: conectado=";
  linha += texto_do_booleano(c.conectado);
  linha += " recebidos=" + to_string(c.recebidos) + " entregues=" + to_string(c.entregues) +
           " descartados=" + to_string(c.descartados) + " repetidos=" + to_string(c.repetidos) +
           " idade_do_quadro=" + to_string(c.idade_do_quadro) + "us ts_do_host=" +
           to_string(c.ts_do_host);
  return linha;
}

}  // namespace norva
