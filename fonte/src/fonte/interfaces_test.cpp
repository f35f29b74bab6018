// The interfaces the source and the stream offer of their own (the rest of
// QueryInterface is the shared COM base's), the source's companion
// interfaces, and the friendly name.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"

namespace norva::teste {
namespace {

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
  // Activation starts the frame supply, as the first Start would.
  const std::string configurado = "cano desta câmera configurado (nome omitido)";
  const std::size_t canos = contar_mensagem(configurado);
  ComPtr<IMFMediaSource> ativada;
  ASSERT_EQ(ativacao->ActivateObject(IID_PPV_ARGS(&ativada)), S_OK);
  EXPECT_EQ(contar_mensagem(configurado), canos + 1);
  EXPECT_EQ(static_cast<void*>(ativada.Get()), static_cast<void*>(fonte_.Get())) << "the same object";
  EXPECT_EQ(ativacao->ActivateObject(__uuidof(IClassFactory), &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

// The name the pipe is derived from (reading the pipe of a name is the
// leitor test's, the default pipe for no name the pipe client's).
TEST_F(Companheiras, TheFriendlyNameIsReadStrictlyAsUtf8) {
  const wchar_t substituto_sozinho[] = {L'x', static_cast<wchar_t>(0xD800), L'y', 0};
  struct Caso {
    const char* nome;
    const wchar_t* texto;  // null: a number instead of a string
    std::optional<std::string> esperado;
  };
  const Caso casos[] = {
      {"name", L"Câmera", "C\xC3\xA2mera"},
      {"empty", L"", std::nullopt},
      {"lone surrogate", substituto_sozinho, std::nullopt},
      {"not a string", nullptr, std::nullopt},
  };
  const GUID& chave = plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME;
  ComPtr<IMFAttributes> atributos;
  ASSERT_EQ(fonte_.As(&atributos), S_OK);
  ASSERT_EQ(atributos->DeleteItem(chave), S_OK);
  EXPECT_EQ(ler_nome_amigavel(atributos.Get()), std::nullopt) << "missing";
  for (const Caso& c : casos) {
    ASSERT_EQ(c.texto ? atributos->SetString(chave, c.texto) : atributos->SetUINT32(chave, 1), S_OK);
    EXPECT_EQ(ler_nome_amigavel(atributos.Get()), c.esperado) << c.nome;
  }
}

}  // namespace
}  // namespace norva::teste
