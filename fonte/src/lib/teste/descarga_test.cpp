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
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

TEST(Descarga, FreeLibraryLogoAposShutdownDuzentasVezes) {
  constexpr int CICLOS = 200;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const bool ja_carregada = GetModuleHandleW(NOME_DA_DLL) != nullptr;  // by an earlier test of this process
  const std::string nome = nome_unico("norva-descarga");
  // Accepts each camera's reader and stays silent.
  ferramentas::ServidorDoCano servidor(nome_do_cano(nome));
  for (int i = 0; i < CICLOS && !HasFatalFailure(); ++i) {
    Exportacoes dll;
    HMODULE modulo = carregar_dll(caminho_da_dll(), dll);
    ASSERT_NE(modulo, nullptr);
    ASSERT_EQ(servidor.preparar(), 0u);  // listening before the reader's first open
    ComPtr<IClassFactory> fabrica;
    ASSERT_EQ(dll.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, &fabrica), S_OK);
    ComPtr<IMFMediaSource> fonte = camera_iniciada(fabrica.Get(), nome);
    ASSERT_NE(fonte, nullptr);
    auto conexao = servidor.aceitar(5s);  // open until the camera has shut down
    ASSERT_NE(conexao, nullptr) << "cycle " << i << ": the camera did not connect";
    EXPECT_EQ(fonte->Shutdown(), S_OK);
    conexao.reset();
    fonte.Reset();
    fabrica.Reset();
    ASSERT_TRUE(FreeLibrary(modulo));
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
