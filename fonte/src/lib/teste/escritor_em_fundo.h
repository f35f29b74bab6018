// Test support: the desktop application's stand-in, on a thread of its own
// over ServidorDoCano (the one pipe writer of the tests). It serves the pipe
// of one camera name, accepts each connection in turn and writes the same
// flat frame to it until that camera goes away.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/quadros/nome_do_cano.h"

namespace norva::teste {

class EscritorEmFundo {
 public:
  // Frames whose every byte is `valor`, one per `periodo` (zero: as fast as
  // the pipe takes them). The pipe is listening when the constructor returns.
  EscritorEmFundo(const std::string& nome_da_camera, std::uint8_t valor, std::chrono::milliseconds periodo)
      : servidor_(nome_do_cano(nome_da_camera)), quadro_(TAMANHO_DO_QUADRO, valor), periodo_(periodo) {
    EXPECT_EQ(servidor_.preparar(), 0u);
    thread_ = std::thread([this] { servir(); });
  }
  // The cameras must be shut down first: a write in progress ends only when
  // its reader closes the pipe.
  ~EscritorEmFundo() {
    parar_ = true;
    thread_.join();
  }

  const std::vector<std::uint8_t>& quadro() const { return quadro_; }
  int conexoes() const { return conexoes_.load(); }

 private:
  void servir() {
    const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> bytes(quadro_.data(), TAMANHO_DO_QUADRO);
    for (std::uint64_t n = 0; !parar_;) {
      auto conexao = servidor_.aceitar(std::chrono::milliseconds(50));
      if (!conexao) continue;
      ++conexoes_;
      servidor_.preparar();  // the next camera finds an instance at once
      while (!parar_ && conexao->escrever_quadro(bytes, ++n)) std::this_thread::sleep_for(periodo_);
    }
  }

  ferramentas::ServidorDoCano servidor_;
  std::vector<std::uint8_t> quadro_;
  std::chrono::milliseconds periodo_;
  std::atomic<bool> parar_{false};
  std::atomic<int> conexoes_{0};
  std::thread thread_;
};

}  // namespace norva::teste
