#include "fonte/src/registro/registro_teste.h"

#include <algorithm>

namespace norva::teste {

std::size_t contar_mensagem(const std::string& mensagem) {
  const auto todas = mensagens_registradas();
  return static_cast<std::size_t>(std::count(todas.begin(), todas.end(), mensagem));
}

}  // namespace norva::teste
