// Host build: no named pipes; every Cano::novo() of the process reads the
// in-process pipes, which tests create by name.
#include "fonte/src/quadros/transporte_em_memoria.h"

namespace norva {

std::shared_ptr<TransporteDoCano> transporte_da_plataforma() { return TransporteEmMemoria::do_processo(); }

}  // namespace norva
