// The file side of the log writer (Windows only): making the folder and
// appending one finished line. The folder and file are parameters so that
// the same routine can be exercised on private folders; the writer always
// passes the fixed log location below.
//
// Any local user can touch the log's folder, while the writer may run as
// SYSTEM, an administrator or LOCAL SERVICE. So it never follows a reparse
// point (junction, symbolic link, mount point) at the folder or the file,
// never appends to a file with more than one name (a hard link planted to
// another file), and gives a folder it creates a protected access list.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

namespace norva {

inline constexpr std::wstring_view PASTA_DO_REGISTRO = L"C:\\ProgramData\\Norva";
inline constexpr std::wstring_view ARQUIVO_DO_REGISTRO = L"camera-fonte.log";

// Append-only: FILE_APPEND_DATA without FILE_WRITE_DATA, so every write
// lands at the current end of the file, whoever else has it open. Besides
// it only FILE_READ_ATTRIBUTES (to check the handle before writing) and
// SYNCHRONIZE: the folder's access list grants users nothing more on the
// file, so asking for FILE_GENERIC_WRITE's attribute rights would refuse
// every account but SYSTEM and the administrators.
inline constexpr DWORD ACESSO_SO_ACRESCIMO = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
static_assert(ACESSO_SO_ACRESCIMO == 0x100084);
inline constexpr DWORD COMPARTILHAMENTO_TOTAL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct LiberarComLocalFree {
  void operator()(void* p) const noexcept { LocalFree(p); }
};
using DescritorDeSeguranca = std::unique_ptr<void, LiberarComLocalFree>;

// The folder's protected access list (acesso_da_pasta.h) as a security
// descriptor; null when it cannot be built (out of memory).
DescritorDeSeguranca descritor_da_pasta() noexcept;

// Creates `pasta` and every missing level above it; `pasta` itself gets the
// protected access list, the levels above inherit as usual. Errors are
// ignored: an existing folder is fine and keeps its access list, and
// anything else shows up when the file is opened. Without the descriptor
// nothing is created.
void criar_pasta_com_niveis(std::wstring_view pasta) noexcept;

// Creates the folder if needed, opens `pasta\arquivo` for appending (created
// when missing, never truncated) and writes all of `linha`, one WriteFile
// call after another until nothing is left. The line is dropped when the
// folder or the file is a reparse point, the folder is not a folder, the
// file has more than one hard link, or the open fails; a failed or empty
// write drops the rest. Nothing is reported.
void acrescentar_linha(std::wstring_view pasta, std::wstring_view arquivo, std::string_view linha) noexcept;

}  // namespace norva
