// Test support: the desktop application's stand-in, on a thread of its own
// over ServidorDoCano (the one pipe writer of the tests). It serves the pipe
// of one camera name, accepts each connection in turn and writes the same
// flat frame to it until that camera goes away.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"

namespace norva::teste {

class EscritorEmFundo {
 public:
  // Frames whose every byte is `valor`, one per `periodo` (zero: as fast as
  // the pipe takes them). The pipe is listening when the constructor returns.
  EscritorEmFundo(const std::string& nome_da_camera, std::uint8_t valor, std::chrono::milliseconds periodo);
  // The cameras must be shut down first: a write in progress ends only when
  // its reader closes the pipe.
  ~EscritorEmFundo();

  const std::vector<std::uint8_t>& quadro() const { return quadro_; }
  int conexoes() const { return conexoes_.load(); }

 private:
  void servir();

  ferramentas::ServidorDoCano servidor_;
  std::vector<std::uint8_t> quadro_;
  std::chrono::milliseconds periodo_;
  std::atomic<bool> parar_{false};
  std::atomic<int> conexoes_{0};
  std::thread thread_;
};

}  // namespace norva::teste
