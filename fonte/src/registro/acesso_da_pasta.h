// Who may do what in the log's folder. Every account that loads the camera
// (the camera service as LOCAL SERVICE, each user's video apps, an elevated
// regsvr32) appends to the one file, so the folder the writer creates carries
// its own protected access list instead of inheriting ProgramData's, where a
// file created by one account is read-only for the others:
//   - SYSTEM and Administrators: full control, folder and files;
//   - Authenticated Users and LOCAL SERVICE: on the folder, list, read and
//     create files (no subfolders, no deletes); on its files, read and append
//     only (no overwrite, no attributes, no delete, no permission or owner
//     change);
//   - OWNER RIGHTS: read only, so the account that happened to create the
//     log file cannot lock the others out by rewriting its access list.
#pragma once

#include <windows.h>

#include <string_view>

namespace norva {

// Folder-only rights of Authenticated Users and LOCAL SERVICE: FILE_LIST_DIRECTORY,
// FILE_ADD_FILE, FILE_READ_EA, FILE_TRAVERSE, FILE_READ_ATTRIBUTES, READ_CONTROL,
// SYNCHRONIZE.
inline constexpr DWORD ACESSO_DOS_USUARIOS_A_PASTA = 0x1200AB;
// Their rights on the files inside (inherited): FILE_READ_DATA, FILE_APPEND_DATA,
// FILE_READ_EA, FILE_READ_ATTRIBUTES, READ_CONTROL, SYNCHRONIZE.
inline constexpr DWORD ACESSO_DOS_USUARIOS_AOS_ARQUIVOS = 0x12008D;
static_assert((ACESSO_DOS_USUARIOS_AOS_ARQUIVOS & FILE_APPEND_DATA) != 0);
static_assert((ACESSO_DOS_USUARIOS_AOS_ARQUIVOS & (FILE_WRITE_DATA | DELETE | WRITE_DAC | WRITE_OWNER)) == 0);

// The protected access list, in the platform's security descriptor language
// (S-1-3-4 is OWNER RIGHTS, LS is LOCAL SERVICE, AU Authenticated Users).
inline constexpr std::wstring_view SDDL_DA_PASTA_DO_REGISTRO =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
    L"(A;;0x1200ab;;;AU)(A;OIIO;0x12008d;;;AU)"
    L"(A;;0x1200ab;;;LS)(A;OIIO;0x12008d;;;LS)"
    L"(A;OICI;0x120089;;;S-1-3-4)";

}  // namespace norva
