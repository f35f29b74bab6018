// Reading frame records from an open pipe connection. A record is read into
// one buffer of its own size, header then frame, with reads as large as what
// is left of it: a writer that sends whole records is read in one read per
// record. Never reads past one record and never publishes anything itself: a
// record is either complete in the caller's buffer or abandoned.
#pragma once

#include <cstdint>
#include <span>

#include "fonte/src/quadros/cabecalho.h"
#include "fonte/src/quadros/conexao_do_cano.h"

namespace norva {

enum class DesfechoDoPacote : std::uint8_t {
  Quadro,       // a whole record; header and frame are in the caller's buffer
  Perdido,      // the writer closed, or a read failed, inside or between records
  Recusado,     // bad header, already logged
  Interrompido  // the reader was told to stop
};

struct PacoteLido {
  DesfechoDoPacote desfecho = DesfechoDoPacote::Perdido;
  std::uint64_t ts_do_host = 0;  // valid with DesfechoDoPacote::Quadro
};

// One record into `pacote`: the header is checked as soon as its 24 bytes
// are in (its log line on refusal, and nothing more is read), then the rest
// until the frame is whole. The frame is at CabecalhoDoQuadro::TAMANHO.
PacoteLido ler_pacote(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE> pacote);

}  // namespace norva
