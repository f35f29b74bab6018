// The file side of the log writer (Windows only): making the folder and
// appending one finished line. The folder and file are parameters so that
// the same routine can be exercised on private folders; the writer always
// passes the fixed log location below.
#pragma once

#include <windows.h>

#include <string_view>

namespace norva {

inline constexpr std::wstring_view PASTA_DO_REGISTRO = L"C:\\ProgramData\\Norva";
inline constexpr std::wstring_view ARQUIVO_DO_REGISTRO = L"camera-fonte.log";

// FILE_GENERIC_WRITE without FILE_WRITE_DATA: every write lands at the
// current end of the file, whoever else has it open.
inline constexpr DWORD ACESSO_SO_ACRESCIMO = FILE_GENERIC_WRITE & ~static_cast<DWORD>(FILE_WRITE_DATA);
static_assert(ACESSO_SO_ACRESCIMO == 0x120114);
inline constexpr DWORD COMPARTILHAMENTO_TOTAL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Creates `pasta` and every missing level above it. Errors are ignored: an
// existing folder is fine, and anything else shows up when the file is
// opened.
void criar_pasta_com_niveis(std::wstring_view pasta) noexcept;

// Creates the folder if needed, opens `pasta\arquivo` for appending (created
// when missing, never truncated) and writes all of `linha`, one WriteFile
// call after another until nothing is left. A failed open drops the line; a
// failed or empty write drops the rest. Nothing is reported.
void acrescentar_linha(std::wstring_view pasta, std::wstring_view arquivo, std::string_view linha) noexcept;

}  // namespace norva
