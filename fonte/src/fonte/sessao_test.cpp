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

class SessaoDeMidia : public AmbienteMF {
 protected:
  // The session's status for the first event of type `tipo` (or of MEError)
  // within the limit; nothing when none came.
  static std::optional<HRESULT> esperar(IMFMediaSession* sessao, MediaEventType tipo) {
    const auto limite = std::chrono::steady_clock::now() + LIMITE_DE_CADA_ETAPA;
    while (std::chrono::steady_clock::now() < limite) {
      ComPtr<IMFMediaEvent> evento;
      if (sessao->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      MediaEventType recebido = MEUnknown;
      HRESULT status = E_FAIL;
      evento->GetType(&recebido);
      evento->GetStatus(&status);
      if (recebido == tipo || recebido == MEError) {
        EXPECT_EQ(recebido, tipo) << "MEError with status 0x" << std::hex << status;
        return status;
      }
    }
    return std::nullopt;
  }

  // source stream -> the grabber's stream sink, resolved by hand.
  static ComPtr<IMFTopology> topologia(IMFMediaSource* fonte, IMFPresentationDescriptor* apresentacao,
                                       IMFStreamSink* saida) {
    BOOL selecionado = FALSE;
    ComPtr<IMFStreamDescriptor> descritor;
    ComPtr<IMFTopology> topologia;
    ComPtr<IMFTopologyNode> no_da_fonte, no_da_saida;
    EXPECT_EQ(apresentacao->GetStreamDescriptorByIndex(0, &selecionado, &descritor), S_OK);
    EXPECT_EQ(MFCreateTopology(&topologia), S_OK);
    EXPECT_EQ(MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &no_da_fonte), S_OK);
    EXPECT_EQ(MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &no_da_saida), S_OK);
    if (!topologia || !no_da_fonte || !no_da_saida) return nullptr;
    EXPECT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_SOURCE, fonte), S_OK);
    EXPECT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, apresentacao), S_OK);
    EXPECT_EQ(no_da_fonte->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, descritor.Get()), S_OK);
    EXPECT_EQ(no_da_saida->SetObject(saida), S_OK);
    EXPECT_EQ(topologia->AddNode(no_da_fonte.Get()), S_OK);
    EXPECT_EQ(topologia->AddNode(no_da_saida.Get()), S_OK);
    EXPECT_EQ(no_da_fonte->ConnectOutput(0, no_da_saida.Get(), 0), S_OK);
    return topologia;
  }
};

TEST_F(SessaoDeMidia, DeliversSamplesToAGrabberAndStopsClosesAndShutsDownCleanly) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "sessao");
  ComPtr<IMFPresentationDescriptor> apresentacao;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&apresentacao), S_OK);
  ComPtr<IMFMediaType> tipo;
  {
    BOOL selecionado = FALSE;
    ComPtr<IMFStreamDescriptor> descritor;
    ComPtr<IMFMediaTypeHandler> manipulador;
    ASSERT_EQ(apresentacao->GetStreamDescriptorByIndex(0, &selecionado, &descritor), S_OK);
    ASSERT_EQ(descritor->GetMediaTypeHandler(&manipulador), S_OK);
    ASSERT_EQ(manipulador->GetCurrentMediaType(&tipo), S_OK);
  }

  ComPtr<ContadorDeAmostras> contador = plataforma::adotar(new ContadorDeAmostras());
  ComPtr<IMFActivate> ativador;
  ASSERT_EQ(MFCreateSampleGrabberSinkActivate(tipo.Get(), contador.Get(), &ativador), S_OK);
  ASSERT_EQ(ativador->SetUINT32(MF_SAMPLEGRABBERSINK_IGNORE_CLOCK, TRUE), S_OK);
  ComPtr<IMFMediaSink> sorvedouro;
  ASSERT_EQ(ativador->ActivateObject(IID_PPV_ARGS(&sorvedouro)), S_OK);
  ComPtr<IMFStreamSink> saida;
  ASSERT_EQ(sorvedouro->GetStreamSinkByIndex(0, &saida), S_OK);

  ComPtr<IMFMediaSession> sessao;
  ASSERT_EQ(MFCreateMediaSession(nullptr, &sessao), S_OK);
  ComPtr<IMFTopology> topo = topologia(fonte.Get(), apresentacao.Get(), saida.Get());
  ASSERT_NE(topo, nullptr);
  ASSERT_EQ(sessao->SetTopology(MFSESSION_SETTOPOLOGY_NORESOLUTION, topo.Get()), S_OK);
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
  EXPECT_EQ(fonte->Shutdown(), S_OK);
  sorvedouro->Shutdown();  // the session may have shut it down already
  sessao.Reset();
  topo.Reset();
  fonte.Reset();
  esperar_soltarem();  // TearDown asserts that nothing of the camera outlives the session
}

}  // namespace
}  // namespace norva::teste
