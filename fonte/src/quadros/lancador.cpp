// Starting the reader thread, detached. On Windows the thread holds a
// reference to the module its code lives in and drops it as its very last
// act (FreeLibraryAndExitThread): a host may free the DLL right after
// Shutdown while the reader is still on its way out.
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <system_error>

#include "fonte/src/quadros/cano.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace norva {
namespace {

std::atomic<int> leitores_vivos_{0};

// Counts one reader for as long as it lives, however its body ends.
struct LeitorVivo {
  LeitorVivo() { ++leitores_vivos_; }
  ~LeitorVivo() { --leitores_vivos_; }
  LeitorVivo(const LeitorVivo&) = delete;
  LeitorVivo& operator=(const LeitorVivo&) = delete;
};

std::function<void()> contado(std::function<void()> corpo) {
  return [corpo = std::move(corpo), vivo = std::make_shared<LeitorVivo>()]() mutable {
    corpo();
    corpo = nullptr;  // the reader's state goes before the count drops
    vivo.reset();
  };
}

}  // namespace

int leitores_vivos() { return leitores_vivos_.load(); }

#ifdef _WIN32
namespace {

struct CorpoDoLeitor {
  std::function<void()> corpo;
  HMODULE modulo;  // one reference, released by the thread's exit
};

DWORD WINAPI executar(void* parametro) noexcept {
  HMODULE modulo = nullptr;
  {
    // The body and all it captured are destroyed while the module is held.
    const std::unique_ptr<CorpoDoLeitor> leitor(static_cast<CorpoDoLeitor*>(parametro));
    modulo = leitor->modulo;
    leitor->corpo();
  }
  FreeLibraryAndExitThread(modulo, 0);
}

[[noreturn]] void falhar(DWORD erro) {
  throw std::system_error(static_cast<int>(erro), std::system_category(), "CreateThread");
}

}  // namespace

void lancar_thread_destacada(std::function<void()> corpo) {
  HMODULE modulo = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&executar), &modulo)) {
    falhar(GetLastError());
  }
  auto leitor = std::make_unique<CorpoDoLeitor>(CorpoDoLeitor{contado(std::move(corpo)), modulo});
  HANDLE thread = CreateThread(nullptr, 0, executar, leitor.get(), 0, nullptr);
  if (thread == nullptr) {
    const DWORD erro = GetLastError();
    FreeLibrary(modulo);
    falhar(erro);
  }
  leitor.release();  // the thread's now
  CloseHandle(thread);
}
#else
void lancar_thread_destacada(std::function<void()> corpo) { std::thread(contado(std::move(corpo))).detach(); }
#endif

}  // namespace norva
