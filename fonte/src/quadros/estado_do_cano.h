// EstadoDoCano: what the reader thread and the sample requests exchange, and
// the mutex and condition variable around it. Shared (never the Cano itself)
// by the Cano and its reader thread, which may outlive the Cano.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "fonte/src/quadros/cabecalho.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/geometria.h"

namespace norva {

// A receive buffer: one whole record as the reader took it from the pipe,
// header then frame, so that a record needs one read and no copy to become
// the newest frame. Shared so that a request copies the frame out after
// unlocking: the reader reuses a buffer only when nobody else holds it.
using DadosDoPacote = std::shared_ptr<std::uint8_t[]>;

// Throws std::bad_alloc when memory is exhausted.
inline DadosDoPacote novo_pacote() { return std::make_shared_for_overwrite<std::uint8_t[]>(TAMANHO_DO_PACOTE); }

// The frame's bytes within a record.
inline const std::uint8_t* quadro_do_pacote(const DadosDoPacote& pacote) {
  return pacote.get() + CabecalhoDoQuadro::TAMANHO;
}

// A frame received from the pipe, kept by the reader until the stream takes
// it, in the record it came in.
struct Quadro {
  DadosDoPacote pacote;
  Relogio::time_point chegada;   // when the reader stored it
  std::uint64_t ts_do_host = 0;  // the writer's timestamp, carried unchanged
};

// Only ever touched with MesaDoCano::mutex held. The four counts only grow
// for the life of the Cano, across connections.
struct EstadoDoCano {
  std::optional<Quadro> quadro_novo;  // newest frame not yet taken
  DadosDoPacote ultimo_entregue;    // the last new frame handed out; source of repeats
  // The reader's next receive buffer (the previous ultimo_entregue), so
  // that it allocates nothing while frames flow. A request may still be
  // copying out of it: the reader takes it only if it is the sole owner.
  DadosDoPacote reserva;
  ContadoresDoCano contadores;  // what Cano::contadores() hands out
};

struct MesaDoCano {
  std::mutex mutex;  // guards `estado`; held for counter updates and buffer hand-overs, never for a copy, I/O or logging
  std::condition_variable sinal;  // one waiter per new frame; all on a lost connection or a stop
  EstadoDoCano estado;
};

}  // namespace norva
