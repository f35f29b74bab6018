// The named-pipe transport: the camera as the pipe's read-only client.
#include "fonte/src/quadros/transporte.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <mutex>

#include "fonte/src/registro/texto_de_erro_windows.h"
#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

constexpr DWORD MAIOR_LEITURA = std::numeric_limits<DWORD>::max();

// One open client handle. A stop interrupts its blocking ReadFile with
// CancelSynchronousIo on the reader thread: the handle is never closed from
// another thread, so it cannot be reused under the reader's feet.
class ConexaoWindows final : public ConexaoDoCano {
 public:
  ConexaoWindows(HANDLE cano, HANDLE thread_leitora) : cano_(cano), thread_leitora_(thread_leitora) {}

  ~ConexaoWindows() override {
    CloseHandle(cano_);
    CloseHandle(thread_leitora_);
  }

  ConexaoWindows(const ConexaoWindows&) = delete;
  ConexaoWindows& operator=(const ConexaoWindows&) = delete;

  ResultadoDaLeitura ler(std::span<std::uint8_t> destino) override {
    {
      const std::lock_guard trava(mutex_);
      if (interrompida_) return {FimDaLeitura::Interrompida, 0};
      lendo_ = true;
    }
    DWORD lidos = 0;
    const DWORD pedidos = static_cast<DWORD>(std::min<std::size_t>(destino.size(), MAIOR_LEITURA));
    const BOOL ok = ReadFile(cano_, destino.data(), pedidos, &lidos, nullptr);
    const DWORD erro = ok ? ERROR_SUCCESS : GetLastError();
    {
      const std::lock_guard trava(mutex_);
      lendo_ = false;
      if (interrompida_) return {FimDaLeitura::Interrompida, 0};
    }
    if (ok) return lidos > 0 ? ResultadoDaLeitura{FimDaLeitura::Dados, lidos} : ResultadoDaLeitura{};
    if (erro == ERROR_BROKEN_PIPE) return {FimDaLeitura::Fim, 0};
    return {FimDaLeitura::Erro, 0};
  }

  void interromper() noexcept override {
    std::unique_lock trava(mutex_);
    interrompida_ = true;
    // Between setting lendo_ and entering the kernel wait there is nothing
    // to cancel yet (ERROR_NOT_FOUND): try again until the reader is either
    // blocked (the cancel takes) or back out of ReadFile (lendo_ false).
    while (lendo_) {
      if (CancelSynchronousIo(thread_leitora_)) break;
      if (GetLastError() != ERROR_NOT_FOUND) break;
      trava.unlock();
      SwitchToThread();
      trava.lock();
    }
  }

 private:
  HANDLE cano_;
  HANDLE thread_leitora_;  // the reader thread, for CancelSynchronousIo
  std::mutex mutex_;       // guards lendo_ and interrompida_
  bool lendo_ = false;
  bool interrompida_ = false;
};

FalhaAoAbrir falha_do_sistema(DWORD codigo) { return {mensagem_do_sistema(codigo), codigo}; }

class TransporteWindows final : public TransporteDoCano {
 public:
  // Opens with GENERIC_READ, all sharing, OPEN_EXISTING and an
  // identification-level security quality of service: a process that
  // squats the pipe's name cannot impersonate the camera's client (which
  // runs as Local Service under the camera stack). No overlapped I/O.
  std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> abrir(const std::string& nome) override;
};

std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> TransporteWindows::abrir(const std::string& nome) {
  const std::wstring largo = largo_de_utf8(nome);
  HANDLE cano = CreateFileW(largo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  if (cano == INVALID_HANDLE_VALUE) return std::unexpected(falha_do_sistema(GetLastError()));
  // A real handle to this (the reader) thread; GetCurrentThread's pseudo
  // handle would name the caller of CancelSynchronousIo instead.
  HANDLE thread = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, THREAD_TERMINATE,
                       FALSE, 0)) {
    const DWORD erro = GetLastError();
    CloseHandle(cano);
    return std::unexpected(falha_do_sistema(erro));
  }
  return std::make_unique<ConexaoWindows>(cano, thread);
}

}  // namespace

std::shared_ptr<TransporteDoCano> transporte_da_plataforma() {
  static const std::shared_ptr<TransporteDoCano> unico = std::make_shared<TransporteWindows>();
  return unico;
}

}  // namespace norva
