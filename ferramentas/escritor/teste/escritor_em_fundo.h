// Test and bench support: the desktop application's stand-in, on a thread of
// its own over ServidorDoCano (the one pipe writer of the tests). It serves
// the pipe of one camera name, accepts each connection in turn and writes the
// same flat frame to it until that camera goes away.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <semaphore>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/quadros/protocolo.h"

namespace norva::teste {

class EscritorEmFundo {
 public:
  // One frame per enviar() call instead of a period: the pipe stays idle
  // while the bench times a request.
  static constexpr std::chrono::milliseconds SOB_PEDIDO{-1};

  // Frames whose every byte is `valor`, one per `periodo` (zero: as fast as
  // the pipe takes them; SOB_PEDIDO: one per enviar()). The pipe is
  // listening when the constructor returns, unless erro() says otherwise.
  EscritorEmFundo(const std::string& nome_da_camera, std::uint8_t valor, std::chrono::milliseconds periodo)
      : servidor_(nome_do_cano(nome_da_camera)), quadro_(TAMANHO_DO_QUADRO, valor), periodo_(periodo) {
    erro_ = servidor_.preparar();
    thread_ = std::thread([this] { servir(); });
  }
  // The cameras must be shut down first: a write in progress ends only when
  // its reader closes the pipe.
  ~EscritorEmFundo() {
    parar_ = true;
    pedidos_.release();
    thread_.join();
  }

  DWORD erro() const { return erro_; }  // of making the pipe listen: 0 on success
  const std::vector<std::uint8_t>& quadro() const { return quadro_; }
  int conexoes() const { return conexoes_.load(); }
  void enviar() { pedidos_.release(); }

 private:
  void servir() {
    const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> bytes(quadro_.data(), TAMANHO_DO_QUADRO);
    for (std::uint64_t n = 0; !parar_;) {
      auto conexao = servidor_.aceitar(std::chrono::milliseconds(20));
      if (!conexao) continue;
      ++conexoes_;
      servidor_.preparar();  // the next camera finds an instance at once
      while (!parar_ && esperar_a_vez() && conexao->escrever_quadro(bytes, ++n)) {
      }
    }
  }
  bool esperar_a_vez() {
    if (periodo_ == SOB_PEDIDO) {
      pedidos_.acquire();
    } else if (periodo_.count() > 0) {
      std::this_thread::sleep_for(periodo_);
    }
    return !parar_;
  }

  ferramentas::ServidorDoCano servidor_;
  std::vector<std::uint8_t> quadro_;
  std::chrono::milliseconds periodo_;
  DWORD erro_ = 0;
  std::atomic<bool> parar_{false};
  std::atomic<int> conexoes_{0};
  std::counting_semaphore<> pedidos_{0};
  std::thread thread_;
};

}  // namespace norva::teste
