// The interfaces the source and the stream offer of their own (the rest of
// QueryInterface is the shared COM base's), the source's companion
// interfaces, and the friendly name choosing the pipe.
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"

namespace norva::teste {
namespace {

using namespace std::chrono_literals;

class Companheiras : public AmbienteComFonte {};

TEST_F(Companheiras, QueryInterfaceAnswersTheirOwnTablesBeforeAndAfterShutdown) {
  IMFMediaSourceEx* fonte = fonte_.Get();
  IMFMediaStream* fluxo = fluxo_.Get();
  Fonte* f = fonte_de(fonte);
  IMFMediaStream2* s = fluxo2_.Get();
  struct Caso {
    const char* nome;
    IUnknown* objeto;
    IID iid;
    void* esperado;  // null: not offered
  };
  const Caso casos[] = {
      {"source IMFMediaSourceEx", fonte, __uuidof(IMFMediaSourceEx), static_cast<IMFMediaSourceEx*>(f)},
      {"source IMFMediaSource", fonte, __uuidof(IMFMediaSource), static_cast<IMFMediaSourceEx*>(f)},
      {"source IMFMediaEventGenerator", fonte, __uuidof(IMFMediaEventGenerator),
       static_cast<IMFMediaSourceEx*>(f)},
      {"source IMFGetService", fonte, __uuidof(IMFGetService), static_cast<IMFGetService*>(f)},
      {"source IKsControl", fonte, __uuidof(IKsControl), static_cast<IKsControl*>(f)},
      {"source IMFActivate", fonte, __uuidof(IMFActivate), static_cast<IMFActivate*>(f)},
      {"source IMFAttributes", fonte, __uuidof(IMFAttributes), static_cast<IMFActivate*>(f)},
      {"source IMFMediaStream", fonte, __uuidof(IMFMediaStream), nullptr},
      {"source IClassFactory", fonte, __uuidof(IClassFactory), nullptr},
      {"stream IMFMediaStream2", fluxo, __uuidof(IMFMediaStream2), s},
      {"stream IMFMediaStream", fluxo, __uuidof(IMFMediaStream), s},
      {"stream IMFMediaEventGenerator", fluxo, __uuidof(IMFMediaEventGenerator), s},
      {"stream IMFMediaSource", fluxo, __uuidof(IMFMediaSource), nullptr},
      {"stream IMFAttributes", fluxo, __uuidof(IMFAttributes), nullptr},
  };
  for (const bool desligada : {false, true}) {
    if (desligada) {
      ASSERT_EQ(fonte->Shutdown(), S_OK);
    }
    for (const Caso& c : casos) {
      void* p = reinterpret_cast<void*>(0x1);
      EXPECT_EQ(c.objeto->QueryInterface(c.iid, &p), c.esperado ? S_OK : E_NOINTERFACE) << c.nome;
      EXPECT_EQ(p, c.esperado) << c.nome << (desligada ? ", shut down" : "");
      if (p != nullptr && p != reinterpret_cast<void*>(0x1)) static_cast<IUnknown*>(p)->Release();
    }
  }
}

TEST_F(Companheiras, RefusingMethodsRefuseAndActivationGivesTheSourceItself) {
  ComPtr<IMFActivate> ativacao;
  ComPtr<IMFGetService> servico;
  ComPtr<IKsControl> ks;
  ASSERT_EQ(fonte_.As(&ativacao), S_OK);
  ASSERT_EQ(fonte_.As(&servico), S_OK);
  ASSERT_EQ(fonte_.As(&ks), S_OK);
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
  ComPtr<IMFMediaSource> ativada;
  ASSERT_EQ(ativacao->ActivateObject(IID_PPV_ARGS(&ativada)), S_OK);
  EXPECT_EQ(static_cast<void*>(ativada.Get()), static_cast<void*>(fonte_.Get())) << "the same object";
  EXPECT_EQ(ativacao->ActivateObject(__uuidof(IClassFactory), &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

// Pulls samples until one comes from the pipe; its first payload byte.
int primeiro_byte_do_cano(IMFMediaSourceEx* fonte) {
  ComPtr<IMFMediaStream> fluxo = static_cast<Fonte*>(fonte)->fluxo();
  const auto limite = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < limite) {
    if (FAILED(fluxo->RequestSample(nullptr))) return -1;
    for (const Evento& e : drenar(fluxo.Get())) {
      ComPtr<IMFSample> amostra = amostra_de(e);
      const auto bytes = amostra ? bytes_de(amostra.Get()) : std::vector<std::uint8_t>{};
      if (!bytes.empty() && bytes[0] == bytes[1] && bytes[0] == bytes.back() && bytes[0] >= 0xA0) return bytes[0];
    }
  }
  return -1;
}

class NomeAmigavel : public AmbienteMF {};

TEST_F(NomeAmigavel, TheFirstOfActivateAndStartChoosesThePipeForGood) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  EscritorDeTeste escritor_a(dar_nome_unico(fonte.Get(), "primeiro"), 0xA1);
  ComPtr<IMFActivate> ativacao;
  ASSERT_EQ(fonte.As(&ativacao), S_OK);
  ComPtr<IMFMediaSource> ativada;
  ASSERT_EQ(ativacao->ActivateObject(IID_PPV_ARGS(&ativada)), S_OK);
  EscritorDeTeste escritor_b(dar_nome_unico(fonte.Get(), "segundo"), 0xB2);
  iniciar(fonte.Get());
  EXPECT_EQ(primeiro_byte_do_cano(fonte.Get()), 0xA1);
  EXPECT_FALSE(escritor_b.conectou());
  ativada.Reset();
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(NomeAmigavel, MissingOrLoneSurrogateNameMeansTheDefaultPipe) {
  // Both cases in one test: they share the default pipe's name.
  EscritorDeTeste escritor(L"", 0xC3);  // an empty name gives the default pipe
  for (const bool com_substituto : {false, true}) {
    SCOPED_TRACE(com_substituto ? "lone surrogate" : "no name");
    ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
    ComPtr<IMFAttributes> atributos;
    ASSERT_EQ(fonte.As(&atributos), S_OK);
    if (com_substituto) {
      const wchar_t nome[] = {L'x', static_cast<wchar_t>(0xD800), L'y', 0};
      ASSERT_EQ(atributos->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, nome), S_OK);
      // The writer serves one camera, the first source: check the choice by
      // name, a lone surrogate reads as no name.
      EXPECT_EQ(ler_nome_amigavel(atributos.Get()), std::nullopt);
    } else {
      iniciar(fonte.Get());
      EXPECT_EQ(primeiro_byte_do_cano(fonte.Get()), 0xC3);
    }
    ASSERT_EQ(fonte->Shutdown(), S_OK);
  }
}

}  // namespace
}  // namespace norva::teste
