#include "ferramentas/norva-camera/verificacoes.h"

namespace norva::ferramentas {

std::string linha_da_verificacao(const Verificacao& v) {
  std::string linha = (v.ok ? "OK   " : "FAIL ") + v.assunto + ": " + v.achado;
  if (!v.ok) linha += " -- fix: " + v.correcao;
  return linha;
}

}  // namespace norva::ferramentas
