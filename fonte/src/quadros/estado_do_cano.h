// EstadoDoCano: what the reader thread and the sample requests exchange, and
// the mutex and condition variable around it. Shared (never the Cano itself)
// by the Cano and its reader thread, which may outlive the Cano.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "fonte/src/quadros/geometria.h"

namespace norva {

// Only ever touched with MesaDoCano::mutex held. The four counts only grow
// for the life of the Cano, across connections.
struct EstadoDoCano {
  std::optional<Quadro> quadro_novo;  // newest frame not yet taken
  DadosDoQuadro ultimo_entregue;      // bytes of the last new frame handed out; source of repeats
  // The reader's next receive buffer (the previous ultimo_entregue), so
  // that it allocates nothing while frames flow.
  DadosDoQuadro reserva;
  std::uint64_t repetidos = 0;
  std::uint64_t recebidos = 0;
  std::uint64_t entregues = 0;
  std::uint64_t descartados = 0;
  std::uint64_t idade_do_quadro = 0;  // microseconds
  std::uint64_t ts_do_host = 0;
  bool conectado = false;
};

struct MesaDoCano {
  std::mutex mutex;  // guards `estado`; held for counter updates and one frame copy, never for I/O or logging
  std::condition_variable sinal;  // one waiter per new frame; all on a lost connection or a stop
  EstadoDoCano estado;
};

}  // namespace norva
