// The DLL's creation exports and its class factory, driven only through the
// loaded DLL, as a COM consumer drives them.
#include <windows.h>
#include <inspectable.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <objidl.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <ostream>
#include <thread>

#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/plataforma/declaracoes.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;

// {3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}
constexpr GUID CLSID_DA_FONTE{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
// The same id with its last byte changed: must be refused like any other.
constexpr GUID CLSID_VIZINHO{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x37}};
constexpr GUID IID_IWEAKREFERENCESOURCE{0x00000038, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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
    EXPECT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IClassFactory, reinterpret_cast<void**>(f.GetAddressOf())),
              S_OK);
    return f;
  }

  Exportacoes dll_;
};

TEST_F(Exportacoes_, DllCanUnloadNowSempreRespondeSFalse) {
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE) << "before any object";
  {
    ComPtr<IClassFactory> f = fabrica();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->LockServer(TRUE), S_OK);
    EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE) << "with a factory alive and locked";
    EXPECT_EQ(f->LockServer(FALSE), S_OK);
  }
  EXPECT_EQ(dll_.DllCanUnloadNow(), S_FALSE) << "after every object was released";
}

// --- DllGetClassObject: its checks, results and log lines ---------------------

struct CasoDeClasse {
  const char* nome;
  const GUID* clsid;
  const GUID* riid;
  bool ppv_nulo;
  HRESULT esperado;
  const char* linha;  // nullptr: nothing logged
};

void PrintTo(const CasoDeClasse& caso, std::ostream* os) { *os << caso.nome; }

class DllGetClassObject_ : public Exportacoes_, public ::testing::WithParamInterface<CasoDeClasse> {};

TEST_P(DllGetClassObject_, ResultadoPonteiroELinha) {
  const CasoDeClasse& caso = GetParam();
  const auto antes = mensagens_registradas().size();
  void* sentinela = reinterpret_cast<void*>(0x1);
  void* ppv = sentinela;
  const HRESULT hr = dll_.DllGetClassObject(caso.clsid, caso.riid, caso.ppv_nulo ? nullptr : &ppv);
  EXPECT_EQ(hr, caso.esperado) << caso.nome;
  if (!caso.ppv_nulo) {
    if (SUCCEEDED(hr)) {
      ASSERT_NE(ppv, nullptr);
      ASSERT_NE(ppv, sentinela);
      static_cast<IUnknown*>(ppv)->Release();
    } else {
      EXPECT_EQ(ppv, nullptr) << caso.nome << ": *ppv is cleared on failure";
    }
  }
  const auto depois = mensagens_registradas();
  const std::vector<std::string> novas(depois.begin() + static_cast<std::ptrdiff_t>(antes), depois.end());
  if (caso.linha == nullptr) {
    EXPECT_TRUE(novas.empty()) << caso.nome << ": logged " << (novas.empty() ? "" : novas.front());
  } else {
    EXPECT_EQ(novas, std::vector<std::string>{caso.linha}) << caso.nome;
  }
}

const GUID IID_NENHUMA{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

INSTANTIATE_TEST_SUITE_P(
    Casos, DllGetClassObject_,
    ::testing::Values(
        CasoDeClasse{"ppv_nulo", &CLSID_DA_FONTE, &IID_IUnknown, true, E_POINTER, nullptr},
        CasoDeClasse{"ppv_nulo_e_clsid_nulo", nullptr, &IID_IUnknown, true, E_POINTER, nullptr},
        CasoDeClasse{"clsid_nulo", nullptr, &IID_IUnknown, false, CLASS_E_CLASSNOTAVAILABLE,
                     "DllGetClassObject: CLSID desconhecido"},
        CasoDeClasse{"clsid_vizinho", &CLSID_VIZINHO, &IID_IUnknown, false, CLASS_E_CLASSNOTAVAILABLE,
                     "DllGetClassObject: CLSID desconhecido"},
        CasoDeClasse{"riid_nulo", &CLSID_DA_FONTE, nullptr, false, E_POINTER,
                     "DllGetClassObject -> HRESULT(0x80004003)"},
        CasoDeClasse{"iunknown", &CLSID_DA_FONTE, &IID_IUnknown, false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"iclassfactory", &CLSID_DA_FONTE, &IID_IClassFactory, false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"iagileobject", &CLSID_DA_FONTE, &__uuidof(IAgileObject), false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"iinspectable", &CLSID_DA_FONTE, &__uuidof(IInspectable), false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"imarshal", &CLSID_DA_FONTE, &IID_IMarshal, false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"iweakreferencesource", &CLSID_DA_FONTE, &IID_IWEAKREFERENCESOURCE, false, S_OK,
                     "DllGetClassObject -> HRESULT(0x00000000)"},
        CasoDeClasse{"interface_que_a_fabrica_nao_tem", &CLSID_DA_FONTE, &IID_IMFMediaSource, false, E_NOINTERFACE,
                     "DllGetClassObject -> HRESULT(0x80004002)"},
        CasoDeClasse{"interface_desconhecida", &CLSID_DA_FONTE, &IID_NENHUMA, false, E_NOINTERFACE,
                     "DllGetClassObject -> HRESULT(0x80004002)"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Exportacoes_, FabricaChegaComContagemUmEFabricasSaoDistintas) {
  ComPtr<IUnknown> a;
  ComPtr<IUnknown> b;
  ASSERT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IUnknown, reinterpret_cast<void**>(a.GetAddressOf())), S_OK);
  ASSERT_EQ(dll_.DllGetClassObject(&CLSID_DA_FONTE, &IID_IUnknown, reinterpret_cast<void**>(b.GetAddressOf())), S_OK);
  EXPECT_NE(a.Get(), b.Get()) << "each call makes a new factory";
  EXPECT_EQ(a->AddRef(), 2u) << "the caller holds the only reference";
  EXPECT_EQ(a->Release(), 1u);
}

// --- The factory's QueryInterface and identity --------------------------------

TEST_F(Exportacoes_, FabricaQueryInterfaceSegueAsRegrasDeIdentidade) {
  ComPtr<IClassFactory> f = fabrica();
  ASSERT_TRUE(f);
  ComPtr<IUnknown> identidade;
  ASSERT_EQ(f.As(&identidade), S_OK);
  for (const GUID* iid : {&IID_IUnknown, &__uuidof(IAgileObject), &__uuidof(IInspectable)}) {
    ComPtr<IUnknown> outra;
    ASSERT_EQ(f->QueryInterface(*iid, reinterpret_cast<void**>(outra.GetAddressOf())), S_OK);
    EXPECT_EQ(outra.Get(), identidade.Get()) << "identity interfaces share one pointer";
  }
  ComPtr<IClassFactory> de_novo;
  ASSERT_EQ(identidade.As(&de_novo), S_OK);
  EXPECT_EQ(de_novo.Get(), f.Get());

  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(f->QueryInterface(IID_NENHUMA, &ppv), E_NOINTERFACE);
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(f->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  const IID* nulo = nullptr;
  ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(f->QueryInterface(*nulo, &ppv), E_POINTER);
  EXPECT_EQ(ppv, reinterpret_cast<void*>(0x1)) << "nothing written for a null riid";
}

TEST_F(Exportacoes_, FabricaIInspectableRespondeVazio) {
  ComPtr<IClassFactory> f = fabrica();
  ComPtr<IInspectable> inspecionavel;
  ASSERT_EQ(f.As(&inspecionavel), S_OK);
  ULONG quantidade = 7;
  IID* iids = reinterpret_cast<IID*>(0x1);
  EXPECT_EQ(inspecionavel->GetIids(&quantidade, &iids), S_OK);
  EXPECT_EQ(quantidade, 0u);
  EXPECT_EQ(iids, nullptr);
  HSTRING nome = reinterpret_cast<HSTRING>(0x1);
  EXPECT_EQ(inspecionavel->GetRuntimeClassName(&nome), S_OK);
  EXPECT_EQ(nome, nullptr) << "the empty HSTRING";
  TrustLevel nivel = FullTrust;
  EXPECT_EQ(inspecionavel->GetTrustLevel(&nivel), S_OK);
  EXPECT_EQ(nivel, BaseTrust);
  EXPECT_EQ(inspecionavel->GetIids(nullptr, &iids), E_POINTER);
  EXPECT_EQ(inspecionavel->GetRuntimeClassName(nullptr), E_POINTER);
  EXPECT_EQ(inspecionavel->GetTrustLevel(nullptr), E_POINTER);
}

TEST_F(Exportacoes_, FabricaMarshalerEReferenciaFraca) {
  ComPtr<IClassFactory> f = fabrica();
  ComPtr<IUnknown> identidade;
  ASSERT_EQ(f.As(&identidade), S_OK);

  ComPtr<IMarshal> marshaler;
  ASSERT_EQ(f.As(&marshaler), S_OK);
  ComPtr<IUnknown> pelo_marshaler;
  ASSERT_EQ(marshaler.As(&pelo_marshaler), S_OK);
  EXPECT_EQ(pelo_marshaler.Get(), identidade.Get()) << "other interfaces come from the object";
  CLSID classe{};
  EXPECT_EQ(marshaler->GetUnmarshalClass(IID_IClassFactory, f.Get(), MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL,
                                         &classe),
            S_OK);

  ComPtr<IWeakReferenceSource> fonte_fraca;
  ASSERT_EQ(f->QueryInterface(IID_IWEAKREFERENCESOURCE, reinterpret_cast<void**>(fonte_fraca.GetAddressOf())), S_OK);
  ComPtr<IWeakReference> fraca;
  ASSERT_EQ(fonte_fraca->GetWeakReference(fraca.GetAddressOf()), S_OK);
  ComPtr<IInspectable> resolvida;
  ASSERT_EQ(fraca->Resolve(IID_IClassFactory, resolvida.GetAddressOf()), S_OK);
  EXPECT_EQ(static_cast<void*>(resolvida.Get()), static_cast<void*>(f.Get()));
  resolvida.Reset();
  fonte_fraca.Reset();
  marshaler.Reset();
  pelo_marshaler.Reset();
  identidade.Reset();
  f.Reset();
  ASSERT_EQ(fraca->Resolve(IID_IClassFactory, resolvida.GetAddressOf()), S_OK);
  EXPECT_EQ(resolvida.Get(), nullptr) << "the factory is gone once its last reference went";
}

// --- CreateInstance ------------------------------------------------------------

struct CasoDeCriacao {
  const char* nome;
  bool externo;
  const GUID* riid;
  bool ppv_nulo;
  HRESULT esperado;
  const char* linha;  // nullptr: no "CreateInstance" line at all
};

void PrintTo(const CasoDeCriacao& caso, std::ostream* os) { *os << caso.nome; }

class CreateInstance_ : public Exportacoes_, public ::testing::WithParamInterface<CasoDeCriacao> {};

TEST_P(CreateInstance_, ResultadoPonteiroELinha) {
  const CasoDeCriacao& caso = GetParam();
  ComPtr<IClassFactory> f = fabrica();
  ASSERT_TRUE(f);
  ComPtr<IClassFactory> outro = fabrica();  // any non-null outer object
  const auto antes = mensagens_registradas().size();
  void* ppv = reinterpret_cast<void*>(0x1);
  const IID* riid = caso.riid;
  const HRESULT hr = f->CreateInstance(caso.externo ? outro.Get() : nullptr, *riid, caso.ppv_nulo ? nullptr : &ppv);
  EXPECT_EQ(hr, caso.esperado) << caso.nome;
  if (!caso.ppv_nulo) {
    if (SUCCEEDED(hr)) {
      ASSERT_NE(ppv, nullptr);
      ComPtr<IMFMediaSource> fonte;
      ASSERT_EQ(static_cast<IUnknown*>(ppv)->QueryInterface(IID_PPV_ARGS(&fonte)), S_OK);
      static_cast<IUnknown*>(ppv)->Release();
      EXPECT_EQ(fonte->Shutdown(), S_OK);
    } else {
      EXPECT_EQ(ppv, nullptr) << caso.nome << ": *ppv is cleared on failure";
    }
  }
  const auto depois = mensagens_registradas();
  std::vector<std::string> linhas_de_criacao;
  std::copy_if(depois.begin() + static_cast<std::ptrdiff_t>(antes), depois.end(),
               std::back_inserter(linhas_de_criacao),
               [](const std::string& m) { return m.starts_with("CreateInstance"); });
  if (caso.linha == nullptr) {
    EXPECT_TRUE(linhas_de_criacao.empty()) << caso.nome;
  } else {
    EXPECT_EQ(linhas_de_criacao, std::vector<std::string>{caso.linha}) << caso.nome;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CreateInstance_,
    ::testing::Values(
        CasoDeCriacao{"ppv_nulo_vem_antes_da_agregacao", true, &IID_IUnknown, true, E_POINTER, nullptr},
        CasoDeCriacao{"ppv_nulo", false, &IID_IUnknown, true, E_POINTER, nullptr},
        CasoDeCriacao{"agregacao_recusada", true, &IID_IUnknown, false, CLASS_E_NOAGGREGATION, nullptr},
        CasoDeCriacao{"imfmediasource", false, &IID_IMFMediaSource, false, S_OK,
                      "CreateInstance riid=279A808D-AEC7-40C8-9C6B-A6B492C78A66 -> HRESULT(0x00000000)"},
        CasoDeCriacao{"imfactivate", false, &IID_IMFActivate, false, S_OK,
                      "CreateInstance riid=7FEE9E9A-4A89-47A6-899C-B6A53A70FB67 -> HRESULT(0x00000000)"},
        CasoDeCriacao{"interface_que_a_fonte_nao_tem", false, &IID_IClassFactory, false, E_NOINTERFACE,
                      "CreateInstance riid=00000001-0000-0000-C000-000000000046 -> HRESULT(0x80004002)"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Exportacoes_, CreateInstanceComRiidNuloDevolveEPointer) {
  ComPtr<IClassFactory> f = fabrica();
  const IID* nulo = nullptr;
  void* ppv = reinterpret_cast<void*>(0x1);
  const auto antes = contar_mensagem("CreateInstance riid=(nulo) -> HRESULT(0x80004003)");
  EXPECT_EQ(f->CreateInstance(nullptr, *nulo, &ppv), E_POINTER);
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(contar_mensagem("CreateInstance riid=(nulo) -> HRESULT(0x80004003)"), antes + 1);
}

TEST_F(Exportacoes_, DuasCriacoesDaoFontesIndependentes) {
  ComPtr<IClassFactory> f = fabrica();
  ComPtr<IMFMediaSource> a;
  ComPtr<IMFMediaSource> b;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_PPV_ARGS(&a)), S_OK);
  ASSERT_EQ(f->CreateInstance(nullptr, IID_PPV_ARGS(&b)), S_OK);
  EXPECT_NE(a.Get(), b.Get());
  ASSERT_EQ(a->Shutdown(), S_OK);
  DWORD caracteristicas = 0;
  EXPECT_EQ(b->GetCharacteristics(&caracteristicas), S_OK) << "shutting one down leaves the other alone";
  EXPECT_EQ(b->Shutdown(), S_OK);
  f.Reset();
  ComPtr<IMFPresentationDescriptor> descritor;
  EXPECT_EQ(a->CreatePresentationDescriptor(&descritor), MF_E_SHUTDOWN);
}

// --- DllMain ---------------------------------------------------------------------

// A private copy of the DLL, so that this process surely attaches it afresh
// whatever else the test program has loaded.
TEST(DllMain, UmaLinhaPorCargaNenhumaPorThreadOuDescarga) {
  wchar_t temporaria[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH + 1, temporaria), 0u);
  const std::wstring copia =
      std::wstring(temporaria) + L"norva_camera_fonte-carga-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
  ASSERT_TRUE(CopyFileW(caminho_da_dll().c_str(), copia.c_str(), FALSE));
  const auto cargas_antes = contar_mensagem("DLL carregada");

  HMODULE modulo = LoadLibraryW(copia.c_str());
  ASSERT_NE(modulo, nullptr);
  EXPECT_EQ(contar_mensagem("DLL carregada"), cargas_antes + 1) << "one line at process attach";
  const auto total = mensagens_registradas().size();

  std::thread([] {}).join();  // thread attach and detach notifications
  EXPECT_EQ(mensagens_registradas().size(), total) << "thread attach/detach log nothing";

  ASSERT_TRUE(FreeLibrary(modulo));  // process detach of this module
  EXPECT_EQ(mensagens_registradas().size(), total) << "process detach logs nothing";

  modulo = LoadLibraryW(copia.c_str());
  ASSERT_NE(modulo, nullptr);
  EXPECT_EQ(contar_mensagem("DLL carregada"), cargas_antes + 2) << "a new attach logs once more";
  FreeLibrary(modulo);
  DeleteFileW(copia.c_str());
}

}  // namespace
}  // namespace norva::teste
