// Reading frame records from an open pipe connection: exactly N bytes, then a
// whole record (header, its check, payload). Never reads past one record and
// never publishes anything itself: a record is either complete in the
// caller's buffer or abandoned.
#pragma once

#include <cstdint>
#include <span>

#include "fonte/src/quadros/cabecalho.h"
#include "fonte/src/quadros/conexao_do_cano.h"

namespace norva {

// Reads until `destino` is full. Dados when it is; otherwise why not (a
// partial fill is abandoned).
FimDaLeitura ler_exatamente(ConexaoDoCano& conexao, std::span<std::uint8_t> destino);

enum class DesfechoDoRegistro : std::uint8_t {
  Quadro,       // a whole record; the payload is in the caller's buffer
  Perdido,      // the writer closed, or a read failed, inside or between records
  Recusado,     // bad header, already logged
  Interrompido  // the reader was told to stop
};

struct RegistroLido {
  DesfechoDoRegistro desfecho = DesfechoDoRegistro::Perdido;
  std::uint64_t ts_do_host = 0;  // valid with DesfechoDoRegistro::Quadro
};

// One record: 24 bytes of header, the check (its log line on refusal), then
// the payload into `carga`.
RegistroLido ler_registro(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_QUADRO> carga);

}  // namespace norva
