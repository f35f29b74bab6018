#include "ferramentas/norva-camera/cameras_criadas.h"

#include <windows.h>

namespace norva::ferramentas {
namespace {

constexpr wchar_t CHAVE_DAS_CAMERAS[] = L"Software\\Norva\\norva-camera\\Cameras";

}  // namespace

bool lembrar_camera(const std::wstring& nome, Acesso acesso) {
  const DWORD valor = acesso == Acesso::Todos ? 1 : 0;
  return RegSetKeyValueW(HKEY_CURRENT_USER, CHAVE_DAS_CAMERAS, nome.c_str(), REG_DWORD, &valor, sizeof valor) ==
         ERROR_SUCCESS;
}

std::optional<Acesso> camera_lembrada(const std::wstring& nome) {
  DWORD valor = 0;
  DWORD bytes = sizeof valor;
  if (RegGetValueW(HKEY_CURRENT_USER, CHAVE_DAS_CAMERAS, nome.c_str(), RRF_RT_REG_DWORD, nullptr, &valor, &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return valor == 1 ? Acesso::Todos : Acesso::Usuario;
}

void esquecer_camera(const std::wstring& nome) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, CHAVE_DAS_CAMERAS, nome.c_str());
}

}  // namespace norva::ferramentas
