// Test support: the log messages of another process of this Wine prefix (a
// child such as regsvr32.exe), found by its pid as the log line carries it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace norva::teste {

// The log file's current size in bytes (0 when it does not exist yet).
std::uint64_t tamanho_do_registro();

// Messages (after the line's prefix) of process `pid` written past byte
// `desde` of the log, in file order. Process ids are reused, so a child's
// lines are only looked for after the point where the child was started.
std::vector<std::string> mensagens_do_processo(DWORD pid, std::uint64_t desde);

// Runs `linha_de_comando` as a child process and waits for it; returns its
// exit code and sets `pid` to its process id. Fails the test if it cannot
// be started or does not end within `limite_ms`.
DWORD executar(const std::wstring& linha_de_comando, DWORD& pid, DWORD limite_ms);

}  // namespace norva::teste
