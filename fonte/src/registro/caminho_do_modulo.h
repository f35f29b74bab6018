// The full path of a loaded module as UTF-8 (Windows only).
#pragma once

#include <windows.h>

#include <string>

namespace norva {

// First buffer size tried, in UTF-16 units (the classic MAX_PATH), and the
// largest: a full buffer of this size is taken as it stands.
inline constexpr DWORD TAMANHO_INICIAL_DO_CAMINHO = 260;
inline constexpr DWORD TAMANHO_MAXIMO_DO_CAMINHO = 32768;

// The path of `modulo`, or of the current process's executable when it is
// null. The buffer doubles (capped at the maximum) while the path fills it.
// Empty when the platform gives no path; unpaired surrogates become U+FFFD.
// Throws only std::bad_alloc.
std::string caminho_do_modulo(HMODULE modulo = nullptr);

}  // namespace norva
