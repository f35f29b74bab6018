// A failure of the producer library as a value: the code the C interface
// returns and the one line the caller reads back.
#pragma once

#include <string>

#include "ferramentas/produtor/norva_escritor.h"

namespace norva::produtor {

struct Falha {
  norva_escritor_erro codigo = NORVA_ESCRITOR_OK;
  std::string mensagem;
};

}  // namespace norva::produtor
