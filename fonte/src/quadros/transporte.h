// The seam between the pipe client's logic and the operating system: opening
// the pipe by name as a read-only client and reading its byte stream. The
// Windows transport uses the real named pipe; the in-process one lets the
// same logic run natively, under the sanitizers, against scripted writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>

namespace norva {

// Why an open failed: the system's description and its numeric code (2: no
// writer has created the pipe; 231: all its instances are busy).
struct FalhaAoAbrir {
  std::string texto;
  std::uint32_t codigo = 0;
};

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

class TransporteDoCano {
 public:
  virtual ~TransporteDoCano() = default;

  // Opens the pipe `nome` (UTF-8 path) for reading. Never waits for a busy or
  // missing pipe: fails at once. Called on the reader thread.
  virtual std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> abrir(const std::string& nome) = 0;
};

// The transport of the build's platform: the named pipes on Windows, the
// process-wide in-process pipes elsewhere.
std::shared_ptr<TransporteDoCano> transporte_da_plataforma();

}  // namespace norva
