// What an access list grants the camera service, and access lists compared.
//
// The camera service runs as LOCAL SERVICE. Its token is not at hand (and
// AccessCheck needs one), so its rights are computed from the access list
// alone, the way the system evaluates a discretionary list: ACEs in order,
// inherit-only ones skipped, generic rights mapped, a right decided by the
// first ACE that names it. The token's groups counted are those every
// LOCAL SERVICE token carries: LOCAL SERVICE (S-1-5-19), Everyone (S-1-1-0),
// Authenticated Users (S-1-5-11), BUILTIN\Users (S-1-5-32-545), SERVICE
// (S-1-5-6) and LOCAL (S-1-2-0). Owner rights and conditional ACEs are not
// considered.
#pragma once

#include <windows.h>

#include <expected>
#include <string>

namespace norva::ferramentas {

// What loading a DLL from a folder needs: read and execute, on the file and
// on its folder (execute on a folder is traverse).
inline constexpr ACCESS_MASK LEITURA_E_EXECUCAO = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
// What the camera asks of its pipe: GENERIC_READ.
inline constexpr ACCESS_MASK LEITURA_DO_CANO = FILE_GENERIC_READ;

// Rights granted to LOCAL SERVICE by `dacl` (null: no list, everything).
ACCESS_MASK direitos_do_servico_local(const ACL* dacl);

// The access list of a file, folder or open handle. The descriptor owns the
// list and is freed with LocalFree.
struct ListaDeAcesso {
  PSECURITY_DESCRIPTOR descritor = nullptr;
  ACL* dacl = nullptr;
  ListaDeAcesso() = default;
  ListaDeAcesso(const ListaDeAcesso&) = delete;
  ListaDeAcesso& operator=(const ListaDeAcesso&) = delete;
  ~ListaDeAcesso() { LocalFree(descritor); }
};
// Errors are Win32 codes.
std::expected<void, DWORD> ler_lista(const std::wstring& caminho, ListaDeAcesso& lista);
std::expected<void, DWORD> ler_lista(HANDLE objeto, ListaDeAcesso& lista);

// Same ACEs in the same order (type, flags, rights, account) and the same
// protection from inheritance.
bool mesma_lista(PSECURITY_DESCRIPTOR a, PSECURITY_DESCRIPTOR b);

}  // namespace norva::ferramentas
