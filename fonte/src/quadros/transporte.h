// The seam between the pipe client's logic and the operating system: opening
// the pipe by name as a read-only client and reading its byte stream. The
// Windows transport uses the real named pipe; the in-process one lets the
// same logic run natively, under the sanitizers, against scripted writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <string>

#include "fonte/src/quadros/protocolo.h"

namespace norva {

// Why an open failed: the system's description and its numeric code (2: no
// writer has created the pipe; 231: all its instances are busy).
struct FalhaAoAbrir {
  std::string texto;
  std::uint32_t codigo = 0;
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
