// The desktop application's side of the camera's pipe: creates the named
// pipe (the server end), accepts the camera as its client and writes frame
// records to it. Used by the reference writer tool, by the pipe client's
// tests under Wine and by the pipe benchmark.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

// Output buffer the pipe asks the system for: one whole record fits.
inline constexpr DWORD BUFFER_DO_CANO = 4 * 1024 * 1024;

// One accepted camera. Writes block until the bytes are in the pipe.
class ConexaoDoEscritor {
 public:
  explicit ConexaoDoEscritor(HANDLE instancia);
  ~ConexaoDoEscritor();  // closes: the camera sees end of data after what was written
  ConexaoDoEscritor(const ConexaoDoEscritor&) = delete;
  ConexaoDoEscritor& operator=(const ConexaoDoEscritor&) = delete;

  // False once the camera has gone (broken pipe) or the write failed.
  bool escrever(std::span<const std::uint8_t> bytes);
  // Header and payload of one frame.
  bool escrever_quadro(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro, std::uint64_t ts_do_host);

 private:
  HANDLE instancia_;
  HANDLE evento_;  // completion of overlapped writes
};

class ServidorDoCano {
 public:
  // `nome`: the pipe path, UTF-8 (as nome_do_cano gives it). `lista`: the
  // instances' access list in SDDL (empty: the system's default), for tests
  // of who may open the pipe.
  explicit ServidorDoCano(const std::string& nome, const std::wstring& lista = {});
  ~ServidorDoCano();
  ServidorDoCano(const ServidorDoCano&) = delete;
  ServidorDoCano& operator=(const ServidorDoCano&) = delete;

  // Makes sure an instance is listening now, so that a camera reopening
  // right after a drop finds one. 0 on success, else the system error code.
  DWORD preparar();

  // Waits up to `limite` for the camera to connect. Null on time-out or
  // failure (ultimo_erro() tells which).
  std::unique_ptr<ConexaoDoEscritor> aceitar(std::chrono::milliseconds limite);

  DWORD ultimo_erro() const { return ultimo_erro_; }

 private:
  std::wstring nome_;
  PSECURITY_DESCRIPTOR lista_ = nullptr;  // null: the system's default
  DWORD erro_da_lista_ = 0;               // the SDDL could not be read
  HANDLE escutando_ = INVALID_HANDLE_VALUE;  // instance waiting for a client
  HANDLE evento_ = nullptr;                  // its overlapped connect
  OVERLAPPED conexao_pendente_{};
  bool conectando_ = false;  // ConnectNamedPipe is pending on escutando_
  DWORD ultimo_erro_ = 0;
};

}  // namespace norva::ferramentas
