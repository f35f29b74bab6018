// Cano: the media source's link to the desktop application. A reader thread
// connects to the application's named pipe as a read-only client, reads frame
// packets and keeps only the newest; each sample request takes exactly one
// frame: the newest pipe frame, else a repeat of the last one while the pipe
// stays connected, else a bench-pattern frame.
//
// One Cano per media source, shared by the source and its stream. The reader
// thread holds only the shared state, never the Cano itself.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "fonte/src/quadros/geometria.h"

namespace norva {

// Longest time a sample request waits for a new pipe frame.
inline constexpr std::chrono::milliseconds ESPERA_MAXIMA_DO_CANO{66};
// The reader's pause between failed opens, and the longest one after
// refused connections (it doubles from the first up to this).
inline constexpr std::chrono::milliseconds PAUSA_APOS_FALHA{500};
inline constexpr std::chrono::milliseconds PAUSA_MAXIMA_APOS_RECUSA{30'000};

struct ContadoresDoCano {
  bool conectado = false;
  std::uint64_t recebidos = 0;
  std::uint64_t entregues = 0;
  std::uint64_t descartados = 0;
  std::uint64_t repetidos = 0;
  std::uint64_t idade_do_quadro = 0;  // microseconds
  std::uint64_t ts_do_host = 0;
};

class TransporteDoCano;
struct MesaDoCano;
class Parada;

// Starts the reader's body on a new thread of its own, detached, which keeps
// the module holding this code loaded until it ends; throws
// std::system_error when no thread can be created.
using LancadorDoLeitor = std::function<void(std::function<void()>)>;
void lancar_thread_destacada(std::function<void()> corpo);
// How the reader waits before reopening the pipe; tests put a stand-in that
// records the pauses instead of letting time pass.
using PausaDoLeitor = std::function<void(std::chrono::milliseconds)>;

// How many threads started by lancar_thread_destacada in this module have
// not yet finished their body. A process must not end while one still runs
// (it would be killed mid-call); tests wait for zero after stopping their
// cameras.
int leitores_vivos();

class Cano {
 public:
  // Everything initial; starts nothing, logs nothing. Reads the platform's
  // pipes (the named pipes on Windows).
  static std::shared_ptr<Cano> novo();
  // The same over another transport, with another way of starting the
  // reader thread and of pausing it (tests).
  static std::shared_ptr<Cano> novo(std::shared_ptr<TransporteDoCano> transporte,
                                    LancadorDoLeitor lancar = lancar_thread_destacada, PausaDoLeitor pausa = {});

  // One-shot: the first call names the pipe from `nome_amigavel` (UTF-8;
  // absent when missing, unreadable or empty) and starts the reader thread;
  // later calls return at once. Never fails visibly.
  void iniciar(const std::optional<std::string>& nome_amigavel);

  // Writes exactly one frame over every byte of `destino` (the stream's
  // locked sample buffer) and tells its origin. A pipe frame is copied once,
  // after unlocking; a pattern frame is drawn in place.
  Origem obter_quadro(std::chrono::nanoseconds espera, DestinoDoQuadro destino);
  // The same into a new buffer of the caller's (tests and tools).
  QuadroEntregue obter_quadro(std::chrono::nanoseconds espera) {
    DadosDoQuadro dados = novo_quadro();
    const Origem origem = obter_quadro(espera, DestinoDoQuadro(dados.get(), TAMANHO_DO_QUADRO));
    return {std::move(dados), origem};
  }

  ContadoresDoCano contadores() const;

  // Tells the reader thread to end and wakes every waiting request.
  void encerrar();

  ~Cano();
  Cano(const Cano&) = delete;
  Cano& operator=(const Cano&) = delete;

 private:
  Cano(std::shared_ptr<TransporteDoCano> transporte, LancadorDoLeitor lancar, PausaDoLeitor pausa);

  std::shared_ptr<TransporteDoCano> transporte_;
  LancadorDoLeitor lancar_;
  PausaDoLeitor pausa_;
  std::shared_ptr<MesaDoCano> mesa_;  // shared with the reader thread
  std::shared_ptr<Parada> parada_;    // shared with the reader thread
  std::atomic<std::uint64_t> quadros_de_padrao_{0};  // n of the next pattern frame
  std::atomic<bool> iniciado_{false};
};

}  // namespace norva
