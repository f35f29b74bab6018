#include <mfapi.h>

#include <cstdio>

#include "ferramentas/norva-camera/camera_virtual.h"
#include "ferramentas/norva-camera/cameras_criadas.h"
#include "ferramentas/norva-camera/subcomandos.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {

int remover(const OpcoesDaCamera& opcoes) {
  const MFCreateVirtualCameraFn funcao = funcao_para("remover");
  if (funcao == nullptr) return SAIDA_SEM_WINDOWS_11;
  const std::wstring nome = largo_de_utf8(*opcoes.nome);
  const auto acesso = camera_lembrada(nome);
  if (!acesso) {
    std::fprintf(stderr, "error: this user created no system camera named '%s' with norva-camera\n",
                 opcoes.nome->c_str());
    return SAIDA_FALHA;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  MFStartup(MF_VERSION, MFSTARTUP_LITE);
  // The same type, lifetime, access, name and class identify the camera.
  Microsoft::WRL::ComPtr<IMFVirtualCamera> camera;
  HRESULT hr = abrir_camera_virtual(funcao, Duracao::Sistema, *acesso, nome, camera);
  if (SUCCEEDED(hr)) {
    hr = camera->Remove();
    camera->Shutdown();
  }
  if (FAILED(hr)) {
    std::fprintf(stderr, "error: removing camera '%s' failed (0x%08lX)%s\n", opcoes.nome->c_str(),
                 static_cast<unsigned long>(hr),
                 hr == E_ACCESSDENIED ? ": a camera for all users needs an elevated prompt" : "");
    return SAIDA_FALHA;
  }
  esquecer_camera(nome);
  std::printf("camera '%s' removed\n", opcoes.nome->c_str());
  return SAIDA_OK;
}

}  // namespace norva::ferramentas
