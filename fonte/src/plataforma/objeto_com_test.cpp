// The COM-object conventions of ObjetoCom, on a small object with one interface
// of its own, against the real COM runtime (under Wine in the build).
#include "fonte/src/plataforma/objeto_com.h"

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/injecao.h"

namespace norva::plataforma {
namespace {

using Microsoft::WRL::ComPtr;

// {0000033A-0000-0000-C000-000000000046}: the free-threaded marshaler's class.
constexpr CLSID CLSID_MARSHALER_LIVRE = {
    0x0000033a, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class Coisa final : public ObjetoCom<Coisa, IMFAsyncCallback> {
 public:
  void* consultar_interface(REFIID riid) noexcept {
    return riid == __uuidof(IMFAsyncCallback) ? static_cast<IMFAsyncCallback*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE GetParameters(DWORD*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult*) noexcept override { return S_OK; }
};

ComPtr<Coisa> nova_coisa() { return adotar(new Coisa()); }

// The identity of whatever `p` is, compared as pointers.
IUnknown* identidade_de(IUnknown* p) {
  ComPtr<IUnknown> identidade;
  EXPECT_EQ(p->QueryInterface(IID_PPV_ARGS(&identidade)), S_OK);
  return identidade.Get();
}

// The reference count, read through AddRef and Release, which both return
// the real new count.
ULONG contagem(IUnknown* p) {
  const ULONG com_mais_uma = p->AddRef();
  const ULONG contagem = p->Release();
  EXPECT_EQ(com_mais_uma, contagem + 1);
  return contagem;
}

class ObjetoComTeste : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    vivos_antes_ = Coisa::vivos();
  }
  void TearDown() override {
    teste::limpar_falhas();
    EXPECT_EQ(Coisa::vivos(), vivos_antes_) << "an object leaked or was freed twice";
    CoUninitialize();
  }
  long vivos_antes_ = 0;
};

enum class Resposta { Identidade, Propria, Marshaler, FonteFraca, Nenhuma };
struct CasoDeInterface {
  const char* nome;
  IID iid;
  Resposta resposta;
};
void PrintTo(const CasoDeInterface& caso, std::ostream* os) { *os << caso.nome; }

class ConsultaDeInterface : public ObjetoComTeste, public ::testing::WithParamInterface<CasoDeInterface> {};

TEST_P(ConsultaDeInterface, AnswersAsTheConventionsSay) {
  using enum Resposta;
  const CasoDeInterface& caso = GetParam();
  ComPtr<Coisa> coisa = nova_coisa();
  IUnknown* identidade = coisa->identidade();
  void* p = reinterpret_cast<void*>(0x1);
  const HRESULT hr = coisa->QueryInterface(caso.iid, &p);
  if (caso.resposta == Nenhuma) {
    EXPECT_EQ(hr, E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(contagem(identidade), 1u);
    return;
  }
  ASSERT_EQ(hr, S_OK);
  ComPtr<IUnknown> obtido = adotar(static_cast<IUnknown*>(p));
  ASSERT_NE(obtido, nullptr);
  EXPECT_EQ(identidade_de(obtido.Get()), identidade);
  EXPECT_EQ(contagem(identidade), 2u) << "one reference more, on the object itself";
  // By Resposta, in its order; the marshaler is checked below.
  void* const esperados[] = {identidade, static_cast<IMFAsyncCallback*>(coisa.Get()), nullptr,
                             static_cast<IWeakReferenceSource*>(coisa.Get())};
  if (caso.resposta != Marshaler) {
    EXPECT_EQ(p, esperados[static_cast<int>(caso.resposta)]);
    return;
  }
  // A separate object holding one reference to ours, whose IUnknown is ours.
  EXPECT_NE(p, static_cast<void*>(identidade));
  ComPtr<IMarshal> de_novo;
  ASSERT_EQ(obtido.As(&de_novo), S_OK);
  EXPECT_EQ(static_cast<void*>(de_novo.Get()), p) << "IMarshal from the marshaler is itself";
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, ConsultaDeInterface,
    ::testing::Values(CasoDeInterface{"IUnknown", __uuidof(IUnknown), Resposta::Identidade},
                      CasoDeInterface{"IInspectable", __uuidof(IInspectable), Resposta::Identidade},
                      CasoDeInterface{"IAgileObject", __uuidof(IAgileObject), Resposta::Identidade},
                      CasoDeInterface{"Own", __uuidof(IMFAsyncCallback), Resposta::Propria},
                      CasoDeInterface{"IMarshal", __uuidof(IMarshal), Resposta::Marshaler},
                      CasoDeInterface{"IWeakReferenceSource", __uuidof(IWeakReferenceSource), Resposta::FonteFraca},
                      CasoDeInterface{"IWeakReference", __uuidof(IWeakReference), Resposta::Nenhuma},
                      CasoDeInterface{"IClassFactory", __uuidof(IClassFactory), Resposta::Nenhuma},
                      CasoDeInterface{"IMFAttributes", __uuidof(IMFAttributes), Resposta::Nenhuma}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ObjetoComTeste, InspectableMethodsAreTrivialAndNullOutPointersAreRefused) {
  ComPtr<Coisa> coisa = nova_coisa();
  ULONG quantidade = 7;
  IID* iids = reinterpret_cast<IID*>(0x1);
  HSTRING nome = reinterpret_cast<HSTRING>(0x1);
  TrustLevel nivel = FullTrust;
  EXPECT_EQ(coisa->GetIids(&quantidade, &iids), S_OK);
  EXPECT_EQ(coisa->GetRuntimeClassName(&nome), S_OK);
  EXPECT_EQ(coisa->GetTrustLevel(&nivel), S_OK);
  EXPECT_EQ(std::tuple(quantidade, iids, nome, nivel), std::tuple(0ul, nullptr, nullptr, BaseTrust));
  for (const HRESULT hr : {coisa->QueryInterface(__uuidof(IUnknown), nullptr), coisa->GetWeakReference(nullptr),
                           coisa->GetIids(nullptr, &iids), coisa->GetIids(&quantidade, nullptr),
                           coisa->GetRuntimeClassName(nullptr), coisa->GetTrustLevel(nullptr)}) {
    EXPECT_EQ(hr, E_POINTER);
  }
  EXPECT_EQ(contagem(coisa->identidade()), 1u);
}

TEST_F(ObjetoComTeste, WeakReferenceResolvesWhileTheObjectLivesAndGivesNullAfter) {
  ComPtr<Coisa> coisa = nova_coisa();
  ComPtr<IWeakReferenceSource> fonte;
  ASSERT_EQ(coisa.As(&fonte), S_OK);
  ComPtr<IWeakReference> fraca;
  ASSERT_EQ(fonte->GetWeakReference(&fraca), S_OK);
  fonte.Reset();
  EXPECT_EQ(contagem(coisa->identidade()), 1u) << "a weak reference holds no strong count";

  ComPtr<IInspectable> resolvido;
  ASSERT_EQ(fraca->Resolve(__uuidof(IMFAsyncCallback), &resolvido), S_OK);
  ASSERT_NE(resolvido, nullptr);
  EXPECT_EQ(identidade_de(resolvido.Get()), coisa->identidade());
  EXPECT_EQ(contagem(coisa->identidade()), 2u);
  resolvido.Reset();
  EXPECT_EQ(fraca->Resolve(__uuidof(IClassFactory), &resolvido), E_NOINTERFACE);

  const long vivos = Coisa::vivos();
  EXPECT_EQ(coisa.Reset(), 0u);
  EXPECT_EQ(Coisa::vivos(), vivos - 1) << "the weak reference must not keep the object";
  IInspectable* depois = reinterpret_cast<IInspectable*>(0x1);
  EXPECT_EQ(fraca->Resolve(__uuidof(IUnknown), &depois), S_OK);
  EXPECT_EQ(depois, nullptr);
}

TEST_F(ObjetoComTeste, MarshalerForwardsToTheFreeThreadedMarshalerAndItsCreationFailureIsTheQuerys) {
  ComPtr<Coisa> coisa = nova_coisa();
  ComPtr<IMarshal> marshaler;
  ASSERT_EQ(coisa.As(&marshaler), S_OK);
  CLSID classe{};
  DWORD tamanho = 0;
  EXPECT_EQ(marshaler->GetUnmarshalClass(__uuidof(IMFAsyncCallback), coisa->identidade(), MSHCTX_INPROC, nullptr,
                                         MSHLFLAGS_NORMAL, &classe), S_OK);
  EXPECT_TRUE(IsEqualGUID(classe, CLSID_MARSHALER_LIVRE));
  EXPECT_EQ(marshaler->GetMarshalSizeMax(__uuidof(IMFAsyncCallback), coisa->identidade(), MSHCTX_INPROC, nullptr,
                                         MSHLFLAGS_NORMAL, &tamanho), S_OK);
  EXPECT_GT(tamanho, 0u);
  EXPECT_EQ(marshaler.Reset(), 0u);
  EXPECT_EQ(contagem(coisa->identidade()), 1u) << "the marshaler let go of the object";

  teste::falhar_na_chamada(Operacao::CoCreateFreeThreadedMarshaler, 1, E_OUTOFMEMORY);
  void* p = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(coisa->QueryInterface(__uuidof(IMarshal), &p), E_OUTOFMEMORY);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(contagem(coisa->identidade()), 1u);
}

TEST_F(ObjetoComTeste, FailureCarriesTheThreadErrorInformationBackToTheCaller) {
  ComPtr<ICreateErrorInfo> criador;
  ASSERT_EQ(CreateErrorInfo(&criador), S_OK);
  criador->SetDescription(const_cast<LPOLESTR>(L"descrição"));
  ComPtr<IErrorInfo> informacao;
  ASSERT_EQ(criador.As(&informacao), S_OK);
  ASSERT_EQ(SetErrorInfo(0, informacao.Get()), S_OK);

  const Falha falha = falha_da_plataforma(E_FAIL);
  EXPECT_EQ(falha.informacao.Get(), informacao.Get());
  ComPtr<IErrorInfo> nada;
  EXPECT_EQ(GetErrorInfo(0, &nada), S_FALSE) << "taken off the thread";

  EXPECT_EQ(entregar(falha), E_FAIL);
  ComPtr<IErrorInfo> devolvida;
  ASSERT_EQ(GetErrorInfo(0, &devolvida), S_OK);
  EXPECT_EQ(devolvida.Get(), informacao.Get());
  EXPECT_EQ(entregar(Resultado<void>{}), S_OK);
}

}  // namespace
}  // namespace norva::plataforma
