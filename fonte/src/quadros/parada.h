// Parada: the stop request of one reader thread. Besides the flag the reader
// looks at, it makes a stop prompt: it cuts short the pause between failed
// opens and interrupts the pipe read the reader is blocked in, so a camera
// that is opened and closed many times never leaves readers (with their
// buffers and handles) behind.
//
// Lock order: Parada's mutex, then the connection's own (inside interromper).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "fonte/src/quadros/transporte.h"

namespace norva {

class Parada {
 public:
  // Sets the flag, ends a pause at once and interrupts the watched read.
  void pedir() noexcept;

  bool pedida() const noexcept { return parar_.load(); }

  // Sleeps for `duracao` or until a stop is requested.
  void pausar(std::chrono::milliseconds duracao);

  // The reader's connection from now on, interrupted by a stop. False, and
  // nothing watched, when a stop was already requested.
  bool vigiar(ConexaoDoCano& conexao);
  // Called before the watched connection is closed.
  void esquecer() noexcept;

 private:
  std::atomic<bool> parar_{false};
  std::mutex mutex_;  // guards conexao_; held by pedir while interrupting it
  std::condition_variable sinal_;
  ConexaoDoCano* conexao_ = nullptr;  // not owned; the reader's, while watched
};

}  // namespace norva
