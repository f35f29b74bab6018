// One open pipe connection as the record reader sees it: a byte stream read
// in pieces of any size. No std::expected here, so the fuzz build's clang
// compiles the record reader too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace norva {

enum class FimDaLeitura : std::uint8_t {
  Dados,        // 1 or more bytes arrived
  Fim,          // the writer closed its end (a broken pipe included)
  Erro,         // any other read failure
  Interrompida  // interromper() was called
};

struct ResultadoDaLeitura {
  FimDaLeitura fim = FimDaLeitura::Fim;
  std::size_t lidos = 0;  // > 0 only with FimDaLeitura::Dados
};

// One open client connection. `ler` and the destructor are called by the
// reader thread only; `interromper` may be called from any thread while the
// connection exists.
class ConexaoDoCano {
 public:
  virtual ~ConexaoDoCano() = default;

  // Blocks until at least one byte arrives (at most destino.size()), the
  // writer closes, the read fails, or the connection is interrupted.
  virtual ResultadoDaLeitura ler(std::span<std::uint8_t> destino) = 0;

  // Makes the pending read, if any, and every later one return Interrompida
  // promptly. Idempotent. Never blocks for long: at most until the reader
  // thread is either inside its read or out of it.
  virtual void interromper() noexcept = 0;
};

}  // namespace norva
