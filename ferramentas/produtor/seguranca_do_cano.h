// Who may touch the pipe the library serves: full control for the user who
// creates it and for SYSTEM, read for LOCAL SERVICE (the camera service that
// loads the camera), nothing for anyone else. The list is protected, so
// nothing is inherited.
#pragma once

#include <windows.h>

#include <expected>
#include <memory>
#include <string>

#include "ferramentas/produtor/falha.h"

namespace norva::produtor {

struct LiberarComLocalFree {
  void operator()(void* p) const noexcept { LocalFree(p); }
};
using DescritorDeSeguranca = std::unique_ptr<void, LiberarComLocalFree>;

// The access list in the platform's security descriptor language, for the
// user with this SID (S-1-5-...).
std::wstring sddl_do_cano(const std::wstring& sid_do_usuario);

// The security descriptor for the calling thread's user (its token's user,
// also when elevated).
std::expected<DescritorDeSeguranca, Falha> seguranca_do_cano();

}  // namespace norva::produtor
