#include "fonte/src/fonte/teste/apoio.h"

#include <chrono>

#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/utf8.h"

namespace norva::teste {

void AmbienteMF::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET), S_OK);
  fontes_antes_ = Fonte::vivos();
  fluxos_antes_ = Fluxo::vivos();
}

void AmbienteMF::TearDown() {
  plataforma::teste::limpar_falhas();
  EXPECT_EQ(Fonte::vivos(), fontes_antes_) << "a source was not freed";
  EXPECT_EQ(Fluxo::vivos(), fluxos_antes_) << "a stream was not freed";
  // Every camera is shut down by now: its pipe reader must end before the
  // process does.
  EXPECT_TRUE(esperar_ate([] { return leitores_vivos() == 0; })) << "a pipe reader is still running";
  MFShutdown();
  CoUninitialize();
}

ComPtr<IMFMediaSourceEx> AmbienteMF::nova_fonte() {
  auto fonte = Fonte::criar();
  EXPECT_TRUE(fonte.has_value()) << std::hex << (fonte ? S_OK : fonte.error().hr);
  return fonte ? *fonte : nullptr;
}

std::string AmbienteMF::dar_nome_unico(IMFMediaSourceEx* fonte, const char* base) {
  const std::string nome = nome_unico(std::string("norva-D-") + base);
  const std::wstring largo(nome.begin(), nome.end());
  ComPtr<IMFAttributes> atributos;
  EXPECT_EQ(fonte->QueryInterface(IID_PPV_ARGS(&atributos)), S_OK);
  EXPECT_EQ(atributos->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, largo.c_str()), S_OK);
  return nome;
}

void AmbienteMF::iniciar(IMFMediaSourceEx* fonte) {
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  ASSERT_EQ(fonte->Start(descritor.Get(), nullptr, nullptr), S_OK);
}

void AmbienteComFonte::SetUp() {
  AmbienteMF::SetUp();
  fonte_ = nova_fonte();
  ASSERT_NE(fonte_, nullptr);
  dar_nome_unico(fonte_.Get(), "fonte");
  fluxo_ = fonte_de(fonte_.Get())->fluxo();
  ASSERT_EQ(fluxo_.As(&fluxo2_), S_OK);
}

void AmbienteComFonte::TearDown() {
  fluxo2_.Reset();
  fluxo_.Reset();
  if (fonte_ && fonte_->Shutdown() != S_OK) ADD_FAILURE() << "Shutdown failed";
  fonte_.Reset();
  AmbienteMF::TearDown();
}

std::vector<Evento> drenar(IMFMediaEventGenerator* gerador) {
  std::vector<Evento> eventos;
  for (;;) {
    ComPtr<IMFMediaEvent> evento;
    if (gerador->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) break;
    Evento e;
    evento->GetType(&e.tipo);
    evento->GetStatus(&e.status);
    PROPVARIANT valor;
    PropVariantInit(&valor);
    evento->GetValue(&valor);
    e.vt = valor.vt;
    if (valor.vt == VT_UNKNOWN) e.objeto = valor.punkVal;
    PropVariantClear(&valor);
    eventos.push_back(e);
  }
  return eventos;
}

std::vector<MediaEventType> tipos(const std::vector<Evento>& eventos) {
  std::vector<MediaEventType> t;
  for (const Evento& e : eventos) t.push_back(e.tipo);
  return t;
}

std::vector<std::uint8_t> bytes_de(IMFSample* amostra) {
  ComPtr<IMFMediaBuffer> buffer;
  if (FAILED(amostra->GetBufferByIndex(0, &buffer))) return {};
  BYTE* dados = nullptr;
  DWORD tamanho = 0;
  if (FAILED(buffer->Lock(&dados, nullptr, &tamanho))) return {};
  std::vector<std::uint8_t> copia(dados, dados + tamanho);
  buffer->Unlock();
  return copia;
}

}  // namespace norva::teste
