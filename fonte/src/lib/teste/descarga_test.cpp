// A host that loads the DLL by path and frees it right after Shutdown (as the
// probe's --dll path does) while the pipe reader is still inside the DLL's
// code: the reader keeps the module loaded until its last instruction. The
// test holds the reader (suspended, blocked in its pipe read) across Shutdown,
// Release and FreeLibrary, so that the reader's way out always comes after.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

// The camera's pipe reader: the thread that logged the connection, in a log
// line of this process written after line `desde` (process ids are reused).
HANDLE thread_do_leitor(std::size_t desde) {
  for (const auto limite = GetTickCount64() + 5000; GetTickCount64() < limite; Sleep(10)) {
    const std::vector<std::string> linhas = linhas_do_registro();
    for (std::size_t i = desde; i < linhas.size(); ++i) {
      const auto lida = ler_linha(linhas[i]);
      if (lida && lida->pid == GetCurrentProcessId() && lida->mensagem == "cano conectado") {
        return OpenThread(THREAD_ALL_ACCESS, FALSE, lida->tid);
      }
    }
  }
  return nullptr;
}

// Suspends `thread` once it waits inside the read system call (so it holds
// no lock and Shutdown's cancel finds its read): seen there twice, 20 ms of
// running apart. Inside the call, its saved instruction pointer is the `ret`
// right after the stub's call into the kernel; anywhere else in the stub it
// is still on its way in, and a thread suspended there would leave Shutdown
// waiting for a read that never starts. False after 5 s.
bool suspensa_lendo(HANDLE thread) {
  constexpr std::uint8_t RET = 0xC3;
  const auto leitura = reinterpret_cast<DWORD64>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtReadFile"));
  auto lendo = [&] {
    SuspendThread(thread);
    CONTEXT contexto{};
    contexto.ContextFlags = CONTEXT_CONTROL;
    return GetThreadContext(thread, &contexto) && contexto.Rip - leitura > 0 && contexto.Rip - leitura < 32 &&
           *reinterpret_cast<const std::uint8_t*>(contexto.Rip) == RET;
  };
  for (const auto limite = GetTickCount64() + 5000; GetTickCount64() < limite;) {
    const bool antes = lendo();
    ResumeThread(thread);
    Sleep(antes ? 20 : 1);
    if (antes && lendo()) return true;
    if (antes) ResumeThread(thread);
  }
  return false;
}

TEST(Descarga, FreeLibraryComOLeitorAindaNoCodigoDaDll) {
  ASSERT_EQ(GetModuleHandleW(NOME_DA_DLL), nullptr) << "needs a process of its own";
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const std::size_t linhas_antes = linhas_do_registro().size();
  const std::string nome = nome_unico("norva-descarga");
  ferramentas::ServidorDoCano servidor(nome_do_cano(nome));
  ASSERT_EQ(servidor.preparar(), 0u);
  Exportacoes dll;
  HMODULE modulo = carregar_dll(caminho_da_dll(), dll);
  ASSERT_NE(modulo, nullptr);
  ComPtr<IClassFactory> fabrica;
  ASSERT_EQ(dll.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, &fabrica), S_OK);
  ComPtr<IMFMediaSource> fonte = camera_iniciada(fabrica.Get(), nome);
  ASSERT_NE(fonte, nullptr);
  auto conexao = servidor.aceitar(5s);  // silent: the reader blocks in its read
  ASSERT_NE(conexao, nullptr) << "the camera did not connect";
  HANDLE leitor = thread_do_leitor(linhas_antes);
  ASSERT_NE(leitor, nullptr);
  ASSERT_TRUE(suspensa_lendo(leitor));

  EXPECT_EQ(fonte->Shutdown(), S_OK);
  fonte.Reset();
  fabrica.Reset();
  ASSERT_TRUE(FreeLibrary(modulo));
  // Only the reader's own hold keeps the code it is about to return to.
  ResumeThread(leitor);
  conexao.reset();
  EXPECT_EQ(WaitForSingleObject(leitor, 5000), WAIT_OBJECT_0) << "the reader did not end";
  CloseHandle(leitor);
  const auto limite = GetTickCount64() + 5000;
  while (GetModuleHandleW(NOME_DA_DLL) != nullptr && GetTickCount64() < limite) Sleep(10);
  EXPECT_EQ(GetModuleHandleW(NOME_DA_DLL), nullptr) << "the reader never released the DLL";
  MFShutdown();
  CoUninitialize();
}

}  // namespace
}  // namespace norva::teste
