#include "ferramentas/norva-camera/camera_virtual.h"

#include <cstdio>

#include "fonte/src/lib/clsid.h"

namespace norva::ferramentas {

MFCreateVirtualCameraFn funcao_de_criacao() {
  // From System32 only: never a mfsensorgroup.dll planted beside the tool.
  HMODULE modulo = LoadLibraryExW(L"mfsensorgroup.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (modulo == nullptr) return nullptr;
  return reinterpret_cast<MFCreateVirtualCameraFn>(
      reinterpret_cast<void*>(GetProcAddress(modulo, "MFCreateVirtualCamera")));
}

MFCreateVirtualCameraFn funcao_para(const char* subcomando) {
  const MFCreateVirtualCameraFn funcao = funcao_de_criacao();
  if (funcao == nullptr) std::fprintf(stderr, "error: norva-camera %s %s\n", subcomando, PRECISA_DO_WINDOWS_11);
  return funcao;
}

HRESULT abrir_camera_virtual(MFCreateVirtualCameraFn criar, Duracao duracao, Acesso acesso, const std::wstring& nome,
                             Microsoft::WRL::ComPtr<IMFVirtualCamera>& camera) {
  const std::wstring classe(TEXTO_DO_CLSID.begin(), TEXTO_DO_CLSID.end());
  // No categories: the platform's default, a video camera.
  return criar(MFVirtualCameraType_SoftwareCameraSource,
               duracao == Duracao::Sistema ? MFVirtualCameraLifetime_System : MFVirtualCameraLifetime_Session,
               acesso == Acesso::Todos ? MFVirtualCameraAccess_AllUsers : MFVirtualCameraAccess_CurrentUser,
               nome.c_str(), classe.c_str(), nullptr, 0, camera.ReleaseAndGetAddressOf());
}

}  // namespace norva::ferramentas
