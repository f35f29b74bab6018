// The state the stream shares with its media source. The source switches it
// on Start, Stop and Shutdown; the stream reads it at the start of each call.
#pragma once

#include <mutex>

#include <wrl/client.h>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva {

struct EstadoDoFluxo {
  // Guards the three fields below. Held only for reading or switching them
  // (and, in SetStreamState, for its log line); never together with another
  // lock of the system, never around an event queue or Cano.
  std::mutex mutex;
  // The stream's counted reference back to its source; the source's Shutdown
  // clears it, which breaks the source <-> stream reference cycle.
  Microsoft::WRL::ComPtr<IMFMediaSource> fonte_de_midia;
  bool rodando = false;
  bool desligado = false;  // set once, by the source's Shutdown
};

}  // namespace norva
