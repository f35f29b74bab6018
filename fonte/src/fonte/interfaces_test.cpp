// The source's companion interfaces and QueryInterface tables (source and
// stream), the shared attribute store, and the friendly name choosing the pipe.
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/adotar.h"

namespace norva::teste {
namespace {

using namespace std::chrono_literals;

enum class Alvo { Identidade, Fonte, GetService, KsControl, Activate, Fluxo, Marshaler, FonteFraca, Nenhum };
struct CasoDeQI {
  const char* nome;
  IID iid;
  Alvo alvo;
};
void PrintTo(const CasoDeQI& c, std::ostream* os) { *os << c.nome; }

void* esperado_na_fonte(Fonte* f, Alvo alvo) {
  switch (alvo) {
    case Alvo::Identidade: return f->identidade();
    case Alvo::Fonte: return static_cast<IMFMediaSourceEx*>(f);
    case Alvo::GetService: return static_cast<IMFGetService*>(f);
    case Alvo::KsControl: return static_cast<IKsControl*>(f);
    case Alvo::Activate: return static_cast<IMFActivate*>(f);
    case Alvo::FonteFraca: return static_cast<IWeakReferenceSource*>(f);
    default: return nullptr;
  }
}

class QueryInterfaceDaFonte : public AmbienteMF, public ::testing::WithParamInterface<CasoDeQI> {};

TEST_P(QueryInterfaceDaFonte, AnswersTheTableInEveryState) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  Fonte* f = fonte_de(fonte.Get());
  for (bool desligada : {false, true}) {
    if (desligada) {
      ASSERT_EQ(fonte->Shutdown(), S_OK);
    }
    void* p = reinterpret_cast<void*>(0x1);
    const HRESULT hr = fonte->QueryInterface(GetParam().iid, &p);
    if (GetParam().alvo == Alvo::Nenhum) {
      EXPECT_EQ(hr, E_NOINTERFACE);
      EXPECT_EQ(p, nullptr);
      continue;
    }
    ASSERT_EQ(hr, S_OK) << "shut down: " << desligada;
    ComPtr<IUnknown> obtido = plataforma::adotar(static_cast<IUnknown*>(p));
    if (GetParam().alvo == Alvo::Marshaler) {
      EXPECT_NE(p, static_cast<void*>(f->identidade()));
    } else {
      EXPECT_EQ(p, esperado_na_fonte(f, GetParam().alvo));
    }
    ComPtr<IUnknown> identidade;
    ASSERT_EQ(obtido.As(&identidade), S_OK);
    EXPECT_EQ(identidade.Get(), static_cast<IUnknown*>(f->identidade()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, QueryInterfaceDaFonte,
    ::testing::Values(CasoDeQI{"IUnknown", __uuidof(IUnknown), Alvo::Identidade},
                      CasoDeQI{"IInspectable", __uuidof(IInspectable), Alvo::Identidade},
                      CasoDeQI{"IAgileObject", __uuidof(IAgileObject), Alvo::Identidade},
                      CasoDeQI{"IMFMediaSourceEx", __uuidof(IMFMediaSourceEx), Alvo::Fonte},
                      CasoDeQI{"IMFMediaSource", __uuidof(IMFMediaSource), Alvo::Fonte},
                      CasoDeQI{"IMFMediaEventGenerator", __uuidof(IMFMediaEventGenerator), Alvo::Fonte},
                      CasoDeQI{"IMFGetService", __uuidof(IMFGetService), Alvo::GetService},
                      CasoDeQI{"IKsControl", __uuidof(IKsControl), Alvo::KsControl},
                      CasoDeQI{"IMFActivate", __uuidof(IMFActivate), Alvo::Activate},
                      CasoDeQI{"IMFAttributes", __uuidof(IMFAttributes), Alvo::Activate},
                      CasoDeQI{"IMarshal", __uuidof(IMarshal), Alvo::Marshaler},
                      CasoDeQI{"IWeakReferenceSource", __uuidof(IWeakReferenceSource), Alvo::FonteFraca},
                      CasoDeQI{"IMFMediaStream", __uuidof(IMFMediaStream), Alvo::Nenhum},
                      CasoDeQI{"IClassFactory", __uuidof(IClassFactory), Alvo::Nenhum}),
    [](const auto& info) { return std::string(info.param.nome); });

class QueryInterfaceDoFluxo : public AmbienteMF, public ::testing::WithParamInterface<CasoDeQI> {};

TEST_P(QueryInterfaceDoFluxo, AnswersTheTable) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  {
    ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
    Fluxo* f = static_cast<Fluxo*>(static_cast<IMFMediaStream2*>(fluxo.Get()));
    void* p = reinterpret_cast<void*>(0x1);
    const HRESULT hr = fluxo->QueryInterface(GetParam().iid, &p);
    if (GetParam().alvo == Alvo::Nenhum) {
      EXPECT_EQ(hr, E_NOINTERFACE);
      EXPECT_EQ(p, nullptr);
    } else {
      ASSERT_EQ(hr, S_OK);
      ComPtr<IUnknown> obtido = plataforma::adotar(static_cast<IUnknown*>(p));
      if (GetParam().alvo == Alvo::Identidade) {
        EXPECT_EQ(p, static_cast<void*>(f->identidade()));
      }
      if (GetParam().alvo == Alvo::Fluxo) {
        EXPECT_EQ(p, static_cast<void*>(static_cast<IMFMediaStream2*>(f)));
      }
      ComPtr<IUnknown> identidade;
      ASSERT_EQ(obtido.As(&identidade), S_OK);
      EXPECT_EQ(identidade.Get(), static_cast<IUnknown*>(f->identidade()));
    }
  }
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, QueryInterfaceDoFluxo,
    ::testing::Values(CasoDeQI{"IUnknown", __uuidof(IUnknown), Alvo::Identidade},
                      CasoDeQI{"IInspectable", __uuidof(IInspectable), Alvo::Identidade},
                      CasoDeQI{"IAgileObject", __uuidof(IAgileObject), Alvo::Identidade},
                      CasoDeQI{"IMFMediaStream2", __uuidof(IMFMediaStream2), Alvo::Fluxo},
                      CasoDeQI{"IMFMediaStream", __uuidof(IMFMediaStream), Alvo::Fluxo},
                      CasoDeQI{"IMFMediaEventGenerator", __uuidof(IMFMediaEventGenerator), Alvo::Fluxo},
                      CasoDeQI{"IMarshal", __uuidof(IMarshal), Alvo::Marshaler},
                      CasoDeQI{"IWeakReferenceSource", __uuidof(IWeakReferenceSource), Alvo::FonteFraca},
                      CasoDeQI{"IMFMediaSource", __uuidof(IMFMediaSource), Alvo::Nenhum},
                      CasoDeQI{"IMFAttributes", __uuidof(IMFAttributes), Alvo::Nenhum}),
    [](const auto& info) { return std::string(info.param.nome); });

class Companheiras : public AmbienteMF {};

TEST_F(Companheiras, TheAttributeStoreIsSharedWithGetSourceAttributes) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  ComPtr<IMFAttributes> pela_fonte;
  ASSERT_EQ(fonte.As(&pela_fonte), S_OK);
  ASSERT_EQ(pela_fonte->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, L"Câmera"), S_OK);
  ComPtr<IMFAttributes> armazem;
  ASSERT_EQ(fonte->GetSourceAttributes(&armazem), S_OK);
  EXPECT_NE(armazem.Get(), pela_fonte.Get());
  wchar_t texto[16] = {};
  ASSERT_EQ(armazem->GetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, texto, 16, nullptr), S_OK);
  EXPECT_STREQ(texto, L"Câmera");
  UINT32 quantidade = 0;
  ASSERT_EQ(armazem->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 1u);
  ASSERT_EQ(armazem->SetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, 3), S_OK);
  ASSERT_EQ(pela_fonte->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 2u);

  ComPtr<IMFAttributes> do_fluxo;
  EXPECT_EQ(fonte->GetStreamAttributes(1, &do_fluxo), E_INVALIDARG);
  ASSERT_EQ(fonte->GetStreamAttributes(0, &do_fluxo), S_OK);
  UINT32 identificador = 99;
  ASSERT_EQ(do_fluxo->GetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, &identificador), S_OK);
  EXPECT_EQ(identificador, 0u);
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(Companheiras, RefusingMethodsRefuseAndLeaveTheSourceUsable) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "companheiras");  // activation starts its reader
  ComPtr<IMFActivate> ativacao;
  ComPtr<IMFGetService> servico;
  ComPtr<IKsControl> ks;
  ASSERT_EQ(fonte.As(&ativacao), S_OK);
  ASSERT_EQ(fonte.As(&servico), S_OK);
  ASSERT_EQ(fonte.As(&ks), S_OK);
  EXPECT_EQ(ativacao->ShutdownObject(), E_NOTIMPL);
  EXPECT_EQ(ativacao->DetachObject(), E_NOTIMPL);
  void* p = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(servico->GetService(GUID_NULL, __uuidof(IUnknown), &p), MF_E_UNSUPPORTED_SERVICE);
  EXPECT_EQ(p, reinterpret_cast<void*>(0x1));
  ULONG devolvidos = 77;
  KSPROPERTY propriedade{};
  EXPECT_EQ(ks->KsProperty(&propriedade, sizeof propriedade, nullptr, 0, &devolvidos), E_NOTIMPL);
  EXPECT_EQ(ks->KsMethod(&propriedade, sizeof propriedade, nullptr, 0, &devolvidos), E_NOTIMPL);
  EXPECT_EQ(ks->KsEvent(&propriedade, sizeof propriedade, nullptr, 0, &devolvidos), E_NOTIMPL);
  EXPECT_EQ(devolvidos, 77u);
  DWORD caracteristicas = 0;
  EXPECT_EQ(fonte->GetCharacteristics(&caracteristicas), S_OK) << "still usable";
  ComPtr<IMFMediaSource> ativada;
  ASSERT_EQ(ativacao->ActivateObject(IID_PPV_ARGS(&ativada)), S_OK);
  EXPECT_EQ(static_cast<void*>(ativada.Get()), static_cast<void*>(fonte.Get())) << "the same object";
  EXPECT_EQ(ativacao->ActivateObject(__uuidof(IClassFactory), &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

// Pulls samples until one comes from the pipe; its first payload byte.
int primeiro_byte_do_cano(IMFMediaSourceEx* fonte) {
  ComPtr<IMFMediaStream> fluxo = static_cast<Fonte*>(fonte)->fluxo();
  const auto limite = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < limite) {
    if (FAILED(fluxo->RequestSample(nullptr))) return -1;
    for (const Evento& e : drenar(fluxo.Get())) {
      ComPtr<IMFSample> amostra = amostra_de(e);
      if (!amostra) continue;
      const auto bytes = bytes_de(amostra.Get());
      if (!bytes.empty() && bytes[0] == bytes[1] && bytes[0] == bytes.back() && bytes[0] >= 0xA0) return bytes[0];
    }
  }
  return -1;
}

class NomeAmigavel : public AmbienteMF {};

TEST_F(NomeAmigavel, TheFirstOfActivateAndStartChoosesThePipeForGood) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  const std::wstring primeiro = dar_nome_unico(fonte.Get(), "primeiro");
  EscritorDeTeste escritor_a(primeiro, 0xA1);
  ComPtr<IMFActivate> ativacao;
  ASSERT_EQ(fonte.As(&ativacao), S_OK);
  ComPtr<IMFMediaSource> ativada;
  ASSERT_EQ(ativacao->ActivateObject(IID_PPV_ARGS(&ativada)), S_OK);
  const std::wstring segundo = dar_nome_unico(fonte.Get(), "segundo");
  EscritorDeTeste escritor_b(segundo, 0xB2);
  iniciar(fonte.Get());
  EXPECT_EQ(primeiro_byte_do_cano(fonte.Get()), 0xA1);
  EXPECT_FALSE(escritor_b.conectou());
  ativada.Reset();
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(NomeAmigavel, MissingOrLoneSurrogateNameMeansTheDefaultPipe) {
  // Both cases in one test: they share the default pipe's name.
  EscritorDeTeste escritor(L"", 0xC3);  // an empty name gives the default pipe
  for (bool com_substituto : {false, true}) {
    SCOPED_TRACE(com_substituto ? "lone surrogate" : "no name");
    ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
    if (com_substituto) {
      const wchar_t nome[] = {L'x', static_cast<wchar_t>(0xD800), L'y', 0};
      ComPtr<IMFAttributes> atributos;
      ASSERT_EQ(fonte.As(&atributos), S_OK);
      ASSERT_EQ(atributos->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, nome), S_OK);
    }
    iniciar(fonte.Get());
    if (!com_substituto) {
      EXPECT_EQ(primeiro_byte_do_cano(fonte.Get()), 0xC3);
    } else {
      // The single-instance default pipe is busy with the first source, so
      // check the choice by name: a lone surrogate reads as no name.
      ComPtr<IMFAttributes> atributos;
      ASSERT_EQ(fonte.As(&atributos), S_OK);
      EXPECT_EQ(ler_nome_amigavel(atributos.Get()), std::nullopt);
    }
    ASSERT_EQ(fonte->Shutdown(), S_OK);
  }
}

}  // namespace
}  // namespace norva::teste
