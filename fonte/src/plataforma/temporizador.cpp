#include "fonte/src/plataforma/temporizador.h"

#include <thread>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {
namespace {

// Waitable-timer due times are in units of 100 ns; negative means relative.
constexpr std::chrono::nanoseconds UNIDADE_DO_TEMPORIZADOR{100};

// One timer per sleep. A timer kept per thread in a thread_local was not
// always closed when several threads ended at once (mingw-w64 under Wine 8
// leaked about one handle per source whose samples were requested from
// several threads); a sleep is at most one frame period, and creating the
// timer costs microseconds.
class Temporizador {
 public:
  Temporizador() noexcept {
    constexpr DWORD ACESSO = TIMER_ALL_ACCESS;
    handle_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, ACESSO);
    if (handle_ == nullptr) handle_ = CreateWaitableTimerExW(nullptr, nullptr, 0, ACESSO);
  }
  ~Temporizador() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  Temporizador(const Temporizador&) = delete;
  Temporizador& operator=(const Temporizador&) = delete;

  // False when no timer could be made or armed.
  bool esperar(std::chrono::nanoseconds espera) noexcept {
    if (handle_ == nullptr) return false;
    LARGE_INTEGER prazo;
    prazo.QuadPart = -static_cast<LONGLONG>((espera + UNIDADE_DO_TEMPORIZADOR - std::chrono::nanoseconds{1}) /
                                            UNIDADE_DO_TEMPORIZADOR);
    if (!SetWaitableTimer(handle_, &prazo, 0, nullptr, nullptr, FALSE)) return false;
    return WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace

void dormir(std::chrono::nanoseconds espera) noexcept {
  if (espera <= std::chrono::nanoseconds::zero()) return;
  Temporizador temporizador;
  const auto fim = std::chrono::steady_clock::now() + espera;
  if (temporizador.esperar(espera)) return;
  // Last resort when the system gives no timer at all: yield until the
  // deadline rather than oversleep on the system tick.
  while (std::chrono::steady_clock::now() < fim) std::this_thread::yield();
}

}  // namespace norva::plataforma
