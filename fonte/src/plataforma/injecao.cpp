#include "fonte/src/plataforma/injecao.h"

#include <array>
#include <atomic>
#include <mutex>

namespace norva::plataforma {
namespace {

struct Armadilha {
  std::uint32_t restantes = 0;  // 0: disarmed
  HRESULT hr = S_OK;
};

std::atomic<bool> alguma_armada{false};
std::mutex mutex_das_armadilhas;  // guards armadilhas
std::array<Armadilha, QUANTIDADE_DE_OPERACOES> armadilhas;

}  // namespace

HRESULT falha_injetada(Operacao operacao) noexcept {
  if (!alguma_armada.load(std::memory_order_relaxed)) return S_OK;
  std::scoped_lock trava(mutex_das_armadilhas);
  Armadilha& a = armadilhas[static_cast<std::size_t>(operacao)];
  if (a.restantes == 0) return S_OK;
  return --a.restantes == 0 ? a.hr : S_OK;
}

namespace teste {

void falhar_na_chamada(Operacao operacao, std::uint32_t n_esima, HRESULT hr) {
  std::scoped_lock trava(mutex_das_armadilhas);
  armadilhas[static_cast<std::size_t>(operacao)] = Armadilha{n_esima, hr};
  alguma_armada.store(true);
}

void limpar_falhas() {
  std::scoped_lock trava(mutex_das_armadilhas);
  armadilhas.fill(Armadilha{});
  alguma_armada.store(false);
}

}  // namespace teste
}  // namespace norva::plataforma
