// The reader thread: connects to the pipe, reads records into a receive
// buffer and publishes each whole one as the newest frame. Reconnects at once
// after a connection that delivered frames, every 500 ms after a failed open,
// and after a refused header or a connection that ended before its first
// record only after a pause that doubles from 500 ms up to 30 s, so a server
// that refuses every connection cannot flood the log. Logs one
// "cano indisponível" line per run of failed opens.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/estado_do_cano.h"
#include "fonte/src/quadros/parada.h"
#include "fonte/src/quadros/transporte.h"

namespace norva {

inline constexpr std::chrono::milliseconds PAUSA_APOS_FALHA{500};
inline constexpr std::chrono::milliseconds PAUSA_MAXIMA_APOS_RECUSA{30'000};

// Everything the reader holds: its pipe name and shared references, never
// the Cano.
struct Leitor {
  std::string nome_do_cano;
  std::shared_ptr<TransporteDoCano> transporte;
  std::shared_ptr<MesaDoCano> mesa;
  std::shared_ptr<Parada> parada;
  PausaDoLeitor pausa;  // empty: parada's own, which a stop cuts short
};

// Runs until a stop is requested; then releases the connection and buffer.
void ciclo_de_leitura(const Leitor& leitor);

}  // namespace norva
