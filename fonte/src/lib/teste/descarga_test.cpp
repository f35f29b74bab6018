// A host that loads the DLL by path and frees it right after Shutdown (as the
// probe's --dll path does) while the pipe reader is still inside the DLL's
// code: the reader keeps the module loaded until its last instruction.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/quadros/nome_do_cano.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

constexpr GUID CLSID_DA_FONTE{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
// MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME {60D0E559-52F8-4FA2-BBCE-ACDB34A8EC01}
constexpr GUID NOME_AMIGAVEL{0x60D0E559, 0x52F8, 0x4FA2, {0xBB, 0xCE, 0xAC, 0xDB, 0x34, 0xA8, 0xEC, 0x01}};

// Activates and starts one camera from the loaded DLL; the writer accepts
// its reader and stays silent. Shutdown, then every reference dropped.
void ciclo(const Exportacoes& dll, ferramentas::ServidorDoCano& servidor, const std::wstring& nome, int i) {
  ASSERT_EQ(servidor.preparar(), 0u);  // listening before the reader's first open
  ComPtr<IClassFactory> fabrica;
  ASSERT_EQ(dll.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, reinterpret_cast<void**>(fabrica.GetAddressOf())),
            S_OK);
  ComPtr<IMFActivate> ativar;
  ASSERT_EQ(fabrica->CreateInstance(nullptr, IID_PPV_ARGS(&ativar)), S_OK);
  ASSERT_EQ(ativar->SetString(NOME_AMIGAVEL, nome.c_str()), S_OK);
  ComPtr<IMFMediaSource> fonte;
  ASSERT_EQ(ativar->ActivateObject(IID_PPV_ARGS(&fonte)), S_OK);
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  PROPVARIANT inicio;
  PropVariantInit(&inicio);
  ASSERT_EQ(fonte->Start(descritor.Get(), nullptr, &inicio), S_OK);
  auto conexao = servidor.aceitar(5s);
  ASSERT_NE(conexao, nullptr) << "cycle " << i << ": the camera did not connect";
  EXPECT_EQ(fonte->Shutdown(), S_OK);
}

TEST(Descarga, FreeLibraryLogoAposShutdownDuzentasVezes) {
  constexpr int CICLOS = 200;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const bool ja_carregada = GetModuleHandleW(NOME_DA_DLL) != nullptr;  // by an earlier test of this process
  const std::wstring caminho = caminho_da_dll();
  const std::string nome = "descarga " + std::to_string(GetCurrentProcessId());
  ferramentas::ServidorDoCano servidor(nome_do_cano(nome));
  for (int i = 0; i < CICLOS; ++i) {
    Exportacoes dll;
    HMODULE modulo = carregar_dll(caminho, dll);
    ASSERT_NE(modulo, nullptr);
    ciclo(dll, servidor, std::wstring(nome.begin(), nome.end()), i);
    ASSERT_TRUE(FreeLibrary(modulo));
    if (HasFatalFailure()) break;
  }
  // Every reader gave its reference back: the DLL is unloaded in the end.
  const auto limite = GetTickCount64() + 5000;
  while (GetModuleHandleW(NOME_DA_DLL) != nullptr && GetTickCount64() < limite) Sleep(10);
  if (!ja_carregada) {
    EXPECT_EQ(GetModuleHandleW(NOME_DA_DLL), nullptr) << "a reader never released the DLL";
  }
  MFShutdown();
  CoUninitialize();
}

}  // namespace
}  // namespace norva::teste
