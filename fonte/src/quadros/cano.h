// Cano: the media source's link to the desktop application. A reader thread
// connects to the application's named pipe as a read-only client, reads frame
// records and keeps only the newest; each sample request takes exactly one
// frame: the newest pipe frame, else a repeat of the last one while the pipe
// stays connected, else a bench-pattern frame.
//
// One Cano per media source, shared by the source and its stream. The reader
// thread holds only the shared state, never the Cano itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fonte/src/quadros/geometria.h"

namespace norva {

// Longest time a sample request waits for a new pipe frame.
inline constexpr std::chrono::milliseconds ESPERA_MAXIMA_DO_CANO{66};

struct ContadoresDoCano {
  bool conectado = false;
  std::uint64_t recebidos = 0;
  std::uint64_t entregues = 0;
  std::uint64_t descartados = 0;
  std::uint64_t repetidos = 0;
  std::uint64_t idade_do_quadro = 0;  // microseconds
  std::uint64_t ts_do_host = 0;
};

class Cano {
 public:
  // Everything initial; starts nothing, logs nothing.
  static std::shared_ptr<Cano> novo();

  // One-shot: the first call names the pipe from `nome_amigavel` (UTF-8;
  // absent when missing, unreadable or empty) and starts the reader thread;
  // later calls return at once. Never fails visibly.
  void iniciar(const std::optional<std::string>& nome_amigavel);

  // Always returns exactly one frame, which the caller now owns.
  QuadroEntregue obter_quadro(std::chrono::nanoseconds espera);

  ContadoresDoCano contadores() const;

  // Tells the reader thread to end and wakes every waiting request.
  void encerrar();

  // (implementation-defined members follow)
};

}  // namespace norva
