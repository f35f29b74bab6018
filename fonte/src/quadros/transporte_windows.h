// The named-pipe transport: the camera as the pipe's read-only client.
#pragma once

#include <memory>

#include "fonte/src/quadros/transporte.h"

namespace norva {

class TransporteWindows final : public TransporteDoCano {
 public:
  // Opens with GENERIC_READ, all sharing, OPEN_EXISTING and an
  // identification-level security quality of service: a process that
  // squats the pipe's name cannot impersonate the camera's client (which
  // runs as Local Service under the camera stack). No overlapped I/O.
  std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> abrir(const std::string& nome) override;
};

}  // namespace norva
