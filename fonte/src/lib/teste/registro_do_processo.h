// Test support: the log messages of another process of this Wine prefix (a
// child such as regsvr32.exe), found by its pid as the log line carries it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace norva::teste {

// Messages (after the line's prefix) of process `pid`, in file order.
std::vector<std::string> mensagens_do_processo(DWORD pid);

// Runs `linha_de_comando` as a child process and waits for it; returns its
// exit code and sets `pid` to its process id. Fails the test if it cannot
// be started or does not end within `limite_ms`.
DWORD executar(const std::wstring& linha_de_comando, DWORD& pid, DWORD limite_ms);

}  // namespace norva::teste
