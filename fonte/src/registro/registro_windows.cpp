// INCOMPLETE: a plain appender so that other modules can log while the real
// writer (tags, folder creation, append-only access) is written.
#include <windows.h>

#include <cstdio>
#include <string>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "fonte/src/registro/registro.h"

namespace norva {

void Registro::escrever(std::string_view mensagem) noexcept {
  const std::string limpa = Higiene::higienizar(mensagem);
  CreateDirectoryW(L"C:\\ProgramData\\Norva", nullptr);
  HANDLE h = CreateFileW(L"C:\\ProgramData\\Norva\\camera-fonte.log", FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  char prefixo[64];
  std::snprintf(prefixo, sizeof prefixo, "[outro-consumidor pid=%lu tid=%lu] ", GetCurrentProcessId(),
                GetCurrentThreadId());
  const std::string linha = "0000-00-00 00:00:00.000 " + std::string(prefixo) + limpa + "\n";
  DWORD escritos = 0;
  WriteFile(h, linha.data(), static_cast<DWORD>(linha.size()), &escritos, nullptr);
  CloseHandle(h);
}

}  // namespace norva
