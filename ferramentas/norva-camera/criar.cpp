#include <mfapi.h>

#include <cstdio>

#include "ferramentas/norva-camera/camera_virtual.h"
#include "ferramentas/norva-camera/cameras_criadas.h"
#include "ferramentas/norva-camera/subcomandos.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

HANDLE parar = nullptr;  // set by Ctrl+C or Ctrl+Break

BOOL WINAPI ao_interromper(DWORD sinal) {
  if (sinal != CTRL_C_EVENT && sinal != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(parar);
  return TRUE;
}

void relatar_falha(const char* passo, HRESULT hr) {
  if (hr == E_ACCESSDENIED) {
    std::fprintf(stderr, "error: %s was refused: a system camera, or one for all users, needs an elevated prompt "
                 "(Run as administrator)\n", passo);
  } else {
    std::fprintf(stderr, "error: %s failed (0x%08lX)\n", passo, static_cast<unsigned long>(hr));
  }
}

}  // namespace

int criar(const OpcoesDaCamera& opcoes) {
  const MFCreateVirtualCameraFn funcao = funcao_para("criar");
  if (funcao == nullptr) return SAIDA_SEM_WINDOWS_11;
  const std::wstring nome = largo_de_utf8(*opcoes.nome);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  MFStartup(MF_VERSION, MFSTARTUP_LITE);
  Microsoft::WRL::ComPtr<IMFVirtualCamera> camera;
  HRESULT hr = abrir_camera_virtual(funcao, opcoes.duracao, opcoes.acesso, nome, camera);
  if (FAILED(hr)) {
    relatar_falha("MFCreateVirtualCamera", hr);
    return SAIDA_FALHA;
  }
  if (hr = camera->Start(nullptr); FAILED(hr)) {
    relatar_falha("starting the camera", hr);
    camera->Shutdown();
    return SAIDA_FALHA;
  }
  const std::string cano = nome_do_cano(opcoes.nome);
  if (opcoes.duracao == Duracao::Sistema) {
    if (!lembrar_camera(nome, opcoes.acesso)) {
      std::fprintf(stderr, "warning: could not note the camera for norva-camera remover\n");
    }
    std::printf("camera '%s' created; it reads %s and stays until: norva-camera remover --name \"%s\"\n",
                opcoes.nome->c_str(), cano.c_str(), opcoes.nome->c_str());
    camera->Shutdown();
    return SAIDA_OK;
  }
  parar = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(ao_interromper, TRUE);
  std::printf("camera '%s' is on and reads %s; press Ctrl+C to remove it\n", opcoes.nome->c_str(), cano.c_str());
  std::fflush(stdout);
  WaitForSingleObject(parar, INFINITE);
  camera->Remove();
  camera->Shutdown();
  std::printf("camera '%s' removed\n", opcoes.nome->c_str());
  return SAIDA_OK;
}

}  // namespace norva::ferramentas
