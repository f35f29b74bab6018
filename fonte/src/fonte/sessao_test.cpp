// A real consumer: the platform's media session over a source made by
// Fonte::criar, feeding a sample grabber. The session takes the stream from
// the source's MENewStream event and calls it without a QueryInterface.
// Wine 8's topology loader is a stub, so the topology is resolved by hand;
// samples carry the system time, which a fresh presentation clock under Wine
// never reaches, so the grabber ignores the clock.
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/objeto_com.h"
#include "fonte/src/quadros/apoio_de_teste.h"
#include "fonte/src/quadros/geometria.h"

namespace norva::teste {
namespace {

constexpr int AMOSTRAS_EXIGIDAS = 30;
constexpr auto LIMITE_DE_CADA_ETAPA = std::chrono::seconds(10);

// Counts what the grabber hands over: whole frames and anything else.
class ContadorDeAmostras final : public plataforma::ObjetoCom<ContadorDeAmostras, IMFSampleGrabberSinkCallback> {
 public:
  void* consultar_interface(REFIID riid) noexcept {
    const bool propria = riid == __uuidof(IMFClockStateSink) || riid == __uuidof(IMFSampleGrabberSinkCallback);
    return propria ? static_cast<IMFSampleGrabberSinkCallback*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE OnClockStart(MFTIME, LONGLONG) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnClockStop(MFTIME) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnClockPause(MFTIME) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnClockRestart(MFTIME) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnClockSetRate(MFTIME, float) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnSetPresentationClock(IMFPresentationClock*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProcessSample(REFGUID, DWORD, LONGLONG, LONGLONG, const BYTE*,
                                            DWORD tamanho) noexcept override {
    ++(tamanho == TAMANHO_DO_QUADRO ? inteiras_ : outras_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnShutdown() noexcept override { return S_OK; }

  std::atomic<int> inteiras_{0};
  std::atomic<int> outras_{0};
};

// The session's status for the first event of type `tipo` (or of MEError)
// within the limit; nothing when none came.
std::optional<HRESULT> esperar(IMFMediaSession* sessao, MediaEventType tipo) {
  const auto limite = std::chrono::steady_clock::now() + LIMITE_DE_CADA_ETAPA;
  while (std::chrono::steady_clock::now() < limite) {
    ComPtr<IMFMediaEvent> evento;
    MediaEventType recebido = MEUnknown;
    HRESULT status = E_FAIL;
    if (sessao->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else if (evento->GetType(&recebido) == S_OK && evento->GetStatus(&status) == S_OK &&
               (recebido == tipo || recebido == MEError)) {
      EXPECT_EQ(recebido, tipo) << "MEError with status 0x" << std::hex << status;
      return status;
    }
  }
  return std::nullopt;
}

class SessaoDeMidia : public AmbienteComFonte {};

TEST_F(SessaoDeMidia, DeliversSamplesToAGrabberAndStopsClosesAndShutsDownCleanly) {
  ComPtr<IMFPresentationDescriptor> apresentacao;
  ASSERT_EQ(fonte_->CreatePresentationDescriptor(&apresentacao), S_OK);
  BOOL selecionado = FALSE;
  ComPtr<IMFStreamDescriptor> descritor;
  ComPtr<IMFMediaType> tipo;
  ASSERT_EQ(apresentacao->GetStreamDescriptorByIndex(0, &selecionado, &descritor), S_OK);
  ComPtr<IMFMediaTypeHandler> manipulador;
  ASSERT_EQ(descritor->GetMediaTypeHandler(&manipulador), S_OK);
  ASSERT_EQ(manipulador->GetCurrentMediaType(&tipo), S_OK);

  ComPtr<ContadorDeAmostras> contador = plataforma::adotar(new ContadorDeAmostras());
  ComPtr<IMFActivate> ativador;
  ASSERT_EQ(MFCreateSampleGrabberSinkActivate(tipo.Get(), contador.Get(), &ativador), S_OK);
  ASSERT_EQ(ativador->SetUINT32(MF_SAMPLEGRABBERSINK_IGNORE_CLOCK, TRUE), S_OK);
  ComPtr<IMFMediaSink> sorvedouro;
  ASSERT_EQ(ativador->ActivateObject(IID_PPV_ARGS(&sorvedouro)), S_OK);
  ComPtr<IMFStreamSink> saida;
  ASSERT_EQ(sorvedouro->GetStreamSinkByIndex(0, &saida), S_OK);

  // source stream -> the grabber's stream sink, resolved by hand.
  ComPtr<IMFTopology> topologia;
  ComPtr<IMFTopologyNode> no_da_fonte, no_da_saida;
  ASSERT_EQ(MFCreateTopology(&topologia), S_OK);
  ASSERT_EQ(MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &no_da_fonte), S_OK);
  ASSERT_EQ(MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &no_da_saida), S_OK);
  ASSERT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_SOURCE, fonte_.Get()), S_OK);
  ASSERT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, apresentacao.Get()), S_OK);
  ASSERT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, descritor.Get()), S_OK);
  ASSERT_EQ(no_da_saida->SetObject(saida.Get()), S_OK);
  ASSERT_EQ(topologia->AddNode(no_da_fonte.Get()), S_OK);
  ASSERT_EQ(topologia->AddNode(no_da_saida.Get()), S_OK);
  ASSERT_EQ(no_da_fonte->ConnectOutput(0, no_da_saida.Get(), 0), S_OK);

  ComPtr<IMFMediaSession> sessao;
  ASSERT_EQ(MFCreateMediaSession(nullptr, &sessao), S_OK);
  ASSERT_EQ(sessao->SetTopology(MFSESSION_SETTOPOLOGY_NORESOLUTION, topologia.Get()), S_OK);
  ASSERT_EQ(esperar(sessao.Get(), MESessionTopologySet), S_OK);
  PROPVARIANT inicio;
  PropVariantInit(&inicio);
  ASSERT_EQ(sessao->Start(&GUID_NULL, &inicio), S_OK);
  ASSERT_EQ(esperar(sessao.Get(), MESessionStarted), S_OK);
  EXPECT_TRUE(esperar_ate([&] { return contador->inteiras_ >= AMOSTRAS_EXIGIDAS; }, LIMITE_DE_CADA_ETAPA));
  EXPECT_EQ(contador->outras_, 0);

  ASSERT_EQ(sessao->Stop(), S_OK);
  EXPECT_EQ(esperar(sessao.Get(), MESessionStopped), S_OK);
  ASSERT_EQ(sessao->Close(), S_OK);
  EXPECT_EQ(esperar(sessao.Get(), MESessionClosed), S_OK);
  EXPECT_EQ(sessao->Shutdown(), S_OK);
  sorvedouro->Shutdown();  // the session may have shut it down already
  sessao.Reset();
  topologia.Reset();
  no_da_fonte.Reset();
  EXPECT_EQ(fonte_->Shutdown(), S_OK);
  fluxo_.Reset();
  fluxo2_.Reset();
  fonte_.Reset();
  esperar_soltarem();  // TearDown asserts that nothing of the camera outlives the session
}

}  // namespace
}  // namespace norva::teste
