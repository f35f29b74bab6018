// The DLL's exports and what its class factory adds to the shared COM-object
// conventions (tested on their own in the platform layer), driven only
// through the loaded DLL, as a COM consumer drives them.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <ostream>
#include <thread>

#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;

// The class id with its last byte changed: refused like any other.
constexpr GUID CLSID_VIZINHO{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x37}};

class Exportacoes_ : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
    carregar_dll(caminho_da_dll(), dll_);
    ASSERT_NE(dll_.DllGetClassObject, nullptr);
  }
  void TearDown() override {
    MFShutdown();
    CoUninitialize();
  }
  ComPtr<IClassFactory> fabrica() {
    ComPtr<IClassFactory> f;
    EXPECT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, &f), S_OK);
    return f;
  }
  Exportacoes dll_;
};

// The DLL never unloads: DllCanUnloadNow says no even once its objects and
// locks are all gone, and LockServer has nothing to count.
TEST_F(Exportacoes_, CadaChamadaDaUmaFabricaNovaComContagemUmEADllNuncaSeDescarrega) {
  ComPtr<IClassFactory> a;
  ComPtr<IClassFactory> b;
  ASSERT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, &a), S_OK);
  ASSERT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, &b), S_OK);
  EXPECT_NE(a.Get(), b.Get());
  EXPECT_EQ(a->AddRef(), 2u) << "the caller holds the only reference";
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(a->LockServer(TRUE), S_OK);
  EXPECT_EQ(a->LockServer(FALSE), S_OK);
  a.Reset();
  b.Reset();
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE);
}

// --- DllGetClassObject and CreateInstance: result, *ppv and log line --------
// A null out-pointer is tested together with another bad argument: it is
// refused first.

struct Caso {
  const char* nome;
  bool ppv_nulo;
  HRESULT esperado;
  const char* linha;  // the one line from the export or CreateInstance; nullptr: none
  // Makes the call; `ppv` is null for the cases that pass a null out-pointer.
  HRESULT (*chamar)(const Exportacoes& dll, IClassFactory* fabrica, void** ppv);
};
void PrintTo(const Caso& caso, std::ostream* os) { *os << caso.nome; }

class Chamada : public Exportacoes_, public ::testing::WithParamInterface<Caso> {};

TEST_P(Chamada, ResultadoPonteiroELinha) {
  const Caso& caso = GetParam();
  ComPtr<IClassFactory> f = fabrica();
  ASSERT_TRUE(f);
  const auto antes = mensagens_registradas().size();
  void* ppv = reinterpret_cast<void*>(0x1);
  const HRESULT hr = caso.chamar(dll_, f.Get(), caso.ppv_nulo ? nullptr : &ppv);
  EXPECT_EQ(hr, caso.esperado);
  if (!caso.ppv_nulo && SUCCEEDED(hr)) {
    ComPtr<IUnknown> obtido;
    obtido.Attach(static_cast<IUnknown*>(ppv));
    ASSERT_NE(obtido, nullptr);
    if (ComPtr<IMFMediaSource> fonte; obtido.As(&fonte) == S_OK) {
      EXPECT_EQ(fonte->Shutdown(), S_OK);
    }
  } else if (!caso.ppv_nulo) {
    EXPECT_EQ(ppv, nullptr) << "*ppv is cleared on failure";
  }
  const auto todas = mensagens_registradas();
  std::vector<std::string> linhas;
  std::copy_if(todas.begin() + static_cast<std::ptrdiff_t>(antes), todas.end(), std::back_inserter(linhas),
               [](const std::string& m) { return m.starts_with("Dll") || m.starts_with("CreateInstance"); });
  EXPECT_EQ(linhas, caso.linha ? std::vector<std::string>{caso.linha} : std::vector<std::string>{});
}

HRESULT obter(const Exportacoes& dll, const GUID* clsid, const GUID* riid, void** ppv) {
  return dll.DllGetClassObject(clsid, riid, ppv);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Chamada,
    ::testing::Values(
        Caso{"DllGetClassObject_ppv_e_clsid_nulos", true, E_POINTER, nullptr,
             [](auto& d, auto*, void** p) { return obter(d, nullptr, &IID_IUnknown, p); }},
        Caso{"DllGetClassObject_clsid_nulo", false, CLASS_E_CLASSNOTAVAILABLE, "DllGetClassObject: CLSID desconhecido",
             [](auto& d, auto*, void** p) { return obter(d, nullptr, &IID_IUnknown, p); }},
        Caso{"DllGetClassObject_clsid_vizinho", false, CLASS_E_CLASSNOTAVAILABLE,
             "DllGetClassObject: CLSID desconhecido",
             [](auto& d, auto*, void** p) { return obter(d, &CLSID_VIZINHO, &IID_IUnknown, p); }},
        Caso{"DllGetClassObject_riid_nulo", false, E_POINTER, "DllGetClassObject -> HRESULT(0x80004003)",
             [](auto& d, auto*, void** p) { return obter(d, &CLSID_DA_FONTE, nullptr, p); }},
        Caso{"DllGetClassObject_iclassfactory", false, S_OK, "DllGetClassObject -> HRESULT(0x00000000)",
             [](auto& d, auto*, void** p) { return obter(d, &CLSID_DA_FONTE, &IID_IClassFactory, p); }},
        Caso{"DllGetClassObject_sem_a_interface", false, E_NOINTERFACE, "DllGetClassObject -> HRESULT(0x80004002)",
             [](auto& d, auto*, void** p) { return obter(d, &CLSID_DA_FONTE, &IID_IMFMediaSource, p); }},
        Caso{"CreateInstance_ppv_nulo_antes_da_agregacao", true, E_POINTER, nullptr,
             [](auto&, auto* f, void** p) { return f->CreateInstance(f, IID_IUnknown, p); }},
        Caso{"CreateInstance_agregacao", false, CLASS_E_NOAGGREGATION, nullptr,
             [](auto&, auto* f, void** p) { return f->CreateInstance(f, IID_IUnknown, p); }},
        Caso{"CreateInstance_imfmediasource", false, S_OK,
             "CreateInstance riid=279A808D-AEC7-40C8-9C6B-A6B492C78A66 -> HRESULT(0x00000000)",
             [](auto&, auto* f, void** p) { return f->CreateInstance(nullptr, IID_IMFMediaSource, p); }},
        Caso{"CreateInstance_sem_a_interface", false, E_NOINTERFACE,
             "CreateInstance riid=00000001-0000-0000-C000-000000000046 -> HRESULT(0x80004002)",
             [](auto&, auto* f, void** p) { return f->CreateInstance(nullptr, IID_IClassFactory, p); }}),
    [](const auto& info) { return std::string(info.param.nome); });

// Thread attach and detach log nothing. (Process attach logs one line and
// detach none: the exact lines of the registration test's regsvr32 runs.)
TEST(DllMain, ThreadsNaoRegistramNada) {
  Exportacoes dll;
  carregar_dll(caminho_da_dll(), dll);
  const auto total = mensagens_registradas().size();
  std::thread([] {}).join();
  EXPECT_EQ(mensagens_registradas().size(), total);
}

}  // namespace
}  // namespace norva::teste
