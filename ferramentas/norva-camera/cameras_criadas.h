// The system cameras this tool created, remembered per user so that
// `remover` can make the same camera again (same name, same access) and
// remove it: HKEY_CURRENT_USER\Software\Norva\norva-camera\Cameras, one
// DWORD value per friendly name (0 this user, 1 all users).
#pragma once

#include <optional>
#include <string>

#include "ferramentas/norva-camera/opcoes.h"

namespace norva::ferramentas {

bool lembrar_camera(const std::wstring& nome, Acesso acesso);
std::optional<Acesso> camera_lembrada(const std::wstring& nome);
void esquecer_camera(const std::wstring& nome);

}  // namespace norva::ferramentas
