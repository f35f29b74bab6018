#include "fonte/src/lib/teste/dll_carregada.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::teste {

using Microsoft::WRL::ComPtr;

std::wstring caminho_da_dll() {
  std::wstring caminho(32768, L'\0');
  caminho.resize(GetModuleFileNameW(nullptr, caminho.data(), static_cast<DWORD>(caminho.size())));
  return caminho.substr(0, caminho.find_last_of(L'\\') + 1) + NOME_DA_DLL;
}

HMODULE carregar_dll(const std::wstring& caminho, Exportacoes& dll) {
  HMODULE modulo = LoadLibraryW(caminho.c_str());
  EXPECT_NE(modulo, nullptr) << "LoadLibraryW: error " << GetLastError();
  if (modulo == nullptr) return nullptr;
  auto achar = [&](auto& funcao, const char* nome) {
    funcao = reinterpret_cast<std::remove_reference_t<decltype(funcao)>>(
        reinterpret_cast<void*>(GetProcAddress(modulo, nome)));
    EXPECT_NE(funcao, nullptr) << nome;
  };
  achar(dll.DllGetClassObject, "DllGetClassObject");
  achar(dll.DllCanUnloadNow, "DllCanUnloadNow");
  achar(dll.DllRegisterServer, "DllRegisterServer");
  achar(dll.DllUnregisterServer, "DllUnregisterServer");
  return modulo;
}

ComPtr<IMFMediaSource> ativar_camera(IMFActivate* ativador, const std::string& nome) {
  ComPtr<IMFMediaSource> fonte;
  const std::wstring largo(nome.begin(), nome.end());
  EXPECT_EQ(ativador->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, largo.c_str()), S_OK);
  EXPECT_EQ(ativador->ActivateObject(IID_PPV_ARGS(&fonte)), S_OK);
  return fonte;
}

ComPtr<IMFMediaSource> camera_iniciada(IClassFactory* fabrica, const std::string& nome) {
  ComPtr<IMFActivate> ativador;
  EXPECT_EQ(fabrica->CreateInstance(nullptr, IID_PPV_ARGS(&ativador)), S_OK);
  ComPtr<IMFMediaSource> fonte = ativador ? ativar_camera(ativador.Get(), nome) : nullptr;
  ComPtr<IMFPresentationDescriptor> descritor;
  if (!fonte || fonte->CreatePresentationDescriptor(&descritor) != S_OK) {
    ADD_FAILURE() << "no camera to start";
    return nullptr;
  }
  EXPECT_EQ(fonte->Start(descritor.Get(), nullptr, nullptr), S_OK);
  return fonte;
}

}  // namespace norva::teste
