#include "fonte/src/quadros/parada.h"

namespace norva {

void Parada::pedir() noexcept {
  {
    const std::lock_guard trava(mutex_);
    parar_.store(true);
    if (conexao_ != nullptr) conexao_->interromper();
  }
  sinal_.notify_all();
}

void Parada::pausar(std::chrono::milliseconds duracao) {
  std::unique_lock trava(mutex_);
  sinal_.wait_for(trava, duracao, [&] { return parar_.load(); });
}

bool Parada::vigiar(ConexaoDoCano& conexao) {
  const std::lock_guard trava(mutex_);
  // The flag is set under this mutex: either pedir sees the connection, or
  // the reader sees the flag here.
  if (parar_.load()) return false;
  conexao_ = &conexao;
  return true;
}

void Parada::esquecer() noexcept {
  const std::lock_guard trava(mutex_);
  conexao_ = nullptr;
}

}  // namespace norva
