// The stream through its COM interfaces, on sources made by Fonte::criar
// against the real Media Foundation: stream state, the samples and their
// contents, the statistics line, failure injection and concurrent requests.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using namespace std::chrono_literals;
using plataforma::Operacao;

class FluxoTeste : public AmbienteMF {
 protected:
  void SetUp() override {
    AmbienteMF::SetUp();
    fonte_ = nova_fonte();
    ASSERT_NE(fonte_, nullptr);
    dar_nome_unico(fonte_.Get(), "fluxo");
    fluxo_ = fonte_de(fonte_.Get())->fluxo();
    ASSERT_EQ(fluxo_.As(&fluxo2_), S_OK);
  }
  void TearDown() override {
    fluxo2_.Reset();
    fluxo_.Reset();
    if (fonte_) {
      EXPECT_EQ(fonte_->Shutdown(), S_OK);
    }
    fonte_.Reset();
    AmbienteMF::TearDown();
  }
  // Starts the source and drops its start events.
  void comecar() {
    iniciar(fonte_.Get());
    drenar(fonte_.Get());
    drenar(fluxo_.Get());
  }
  std::vector<ComPtr<IMFSample>> amostras() {
    std::vector<ComPtr<IMFSample>> lista;
    for (const Evento& e : drenar(fluxo_.Get())) {
      EXPECT_EQ(e.tipo, MEMediaSample);
      if (auto a = amostra_de(e)) lista.push_back(a);
    }
    return lista;
  }
  ComPtr<IMFMediaSourceEx> fonte_;
  ComPtr<IMFMediaStream> fluxo_;
  ComPtr<IMFMediaStream2> fluxo2_;
};

TEST_F(FluxoTeste, SetStreamStateSwitchesDeliveryAndLogsEveryCall) {
  MF_STREAM_STATE estado = MF_STREAM_STATE_RUNNING;
  ASSERT_EQ(fluxo2_->GetStreamState(&estado), S_OK);
  EXPECT_EQ(estado, MF_STREAM_STATE_STOPPED);
  EXPECT_EQ(fluxo_->RequestSample(nullptr), MF_E_INVALIDREQUEST);
  EXPECT_EQ(fluxo2_->GetStreamState(nullptr), E_POINTER);

  struct Caso {
    int valor;
    MF_STREAM_STATE lido;
    HRESULT pedido;
    const char* linha;
  };
  const Caso casos[] = {
      {2, MF_STREAM_STATE_RUNNING, S_OK, "SetStreamState(2) -> rodando=true"},
      {1, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(1) -> rodando=false"},
      {2, MF_STREAM_STATE_RUNNING, S_OK, "SetStreamState(2) -> rodando=true"},
      {-1, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(-1) -> rodando=false"},
      {0, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(0) -> rodando=false"},
  };
  for (const Caso& c : casos) {
    const std::size_t antes = vezes_no_registro(c.linha);
    ASSERT_EQ(fluxo2_->SetStreamState(static_cast<MF_STREAM_STATE>(c.valor)), S_OK) << c.valor;
    EXPECT_EQ(vezes_no_registro(c.linha), antes + 1) << c.linha;
    ASSERT_EQ(fluxo2_->GetStreamState(&estado), S_OK);
    EXPECT_EQ(estado, c.lido) << c.valor;
    EXPECT_EQ(fluxo_->RequestSample(nullptr), c.pedido) << c.valor;
  }
  EXPECT_EQ(amostras().size(), 2u) << "no event for a refused request, none for SetStreamState";
}

TEST_F(FluxoTeste, SamplesCarryTheFrameLengthDurationTimeAndToken) {
  comecar();
  ComPtr<IMFAttributes> token;
  ASSERT_EQ(MFCreateAttributes(&token, 1), S_OK);
  const LONGLONG antes = MFGetSystemTime();
  ASSERT_EQ(fluxo_->RequestSample(nullptr), S_OK);
  ASSERT_EQ(fluxo_->RequestSample(token.Get()), S_OK);
  const LONGLONG depois = MFGetSystemTime();
  const auto lista = amostras();
  ASSERT_EQ(lista.size(), 2u);
  for (std::size_t i = 0; i < lista.size(); ++i) {
    IMFSample* a = lista[i].Get();
    DWORD buffers = 0;
    ASSERT_EQ(a->GetBufferCount(&buffers), S_OK);
    EXPECT_EQ(buffers, 1u);
    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_EQ(a->GetBufferByIndex(0, &buffer), S_OK);
    DWORD comprimento = 0;
    ASSERT_EQ(buffer->GetCurrentLength(&comprimento), S_OK);
    EXPECT_EQ(comprimento, 3110400u);
    LONGLONG duracao = 0, tempo = 0;
    ASSERT_EQ(a->GetSampleDuration(&duracao), S_OK);
    EXPECT_EQ(duracao, 333333);
    ASSERT_EQ(a->GetSampleTime(&tempo), S_OK);
    EXPECT_GE(tempo, antes);
    EXPECT_LE(tempo, depois);
    DWORD flags = 99;
    ASSERT_EQ(a->GetSampleFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    UINT32 atributos = 99;
    ASSERT_EQ(a->GetCount(&atributos), S_OK);
    EXPECT_EQ(atributos, i == 0 ? 0u : 1u) << "only the token, and only when given";
    // The first bench-pattern frames of this source, in order.
    const DadosDoQuadro padrao = PadraoDeBancada::desenhar(i);
    EXPECT_TRUE(bytes_de(a) == std::vector<std::uint8_t>(padrao.get(), padrao.get() + TAMANHO_DO_QUADRO))
        << "sample " << i;
  }
  ComPtr<IUnknown> guardado;
  EXPECT_EQ(lista[0]->GetUnknown(plataforma::MFSampleExtension_Token, IID_PPV_ARGS(&guardado)),
            MF_E_ATTRIBUTENOTFOUND);
  ASSERT_EQ(lista[1]->GetUnknown(plataforma::MFSampleExtension_Token, IID_PPV_ARGS(&guardado)), S_OK);
  ComPtr<IUnknown> identidade;
  ASSERT_EQ(token.As(&identidade), S_OK);
  EXPECT_EQ(guardado.Get(), identidade.Get());
}

TEST_F(FluxoTeste, BenchPatternSamplesArePacedAtThirtyPerSecond) {
  comecar();
  constexpr int AMOSTRAS = 7;
  const auto inicio = std::chrono::steady_clock::now();
  for (int i = 0; i < AMOSTRAS; ++i) ASSERT_EQ(fluxo_->RequestSample(nullptr), S_OK);
  const auto total = std::chrono::steady_clock::now() - inicio;
  // The first goes out at once, each later one in its slot: never ahead of
  // the schedule (how close it stays is measured by the benchmark).
  EXPECT_GE(total, (AMOSTRAS - 1) * 33333333ns);
  EXPECT_EQ(amostras().size(), static_cast<std::size_t>(AMOSTRAS));
}

TEST_F(FluxoTeste, AFailingBufferQueuesNothingAndConsumesNoSampleNumber) {
  comecar();
  const std::string primeira =
      "quadro 1 entregue (origem=padrão) — cano: <omitido>";
  const std::size_t antes = vezes_no_registro(primeira);
  struct Caso {
    Operacao operacao;
    const char* nome;
  };
  for (const Caso c : {Caso{Operacao::MFCreateMemoryBuffer, "buffer"}, Caso{Operacao::MFCreateSample, "sample"}}) {
    plataforma::teste::falhar_na_chamada(c.operacao, 1, E_OUTOFMEMORY);
    EXPECT_EQ(fluxo_->RequestSample(nullptr), E_OUTOFMEMORY) << c.nome;
    ComPtr<IMFMediaEvent> evento;
    EXPECT_EQ(fluxo_->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento), MF_E_NO_EVENTS_AVAILABLE) << c.nome;
    EXPECT_EQ(vezes_no_registro(primeira), antes) << c.nome;
  }
  ASSERT_EQ(fluxo_->RequestSample(nullptr), S_OK);
  EXPECT_EQ(vezes_no_registro(primeira), antes + 1) << "the first delivered sample is number 1";
  EXPECT_EQ(amostras().size(), 1u);
}

TEST_F(FluxoTeste, StatisticsLineForSamplesOneThreeHundredAndSixHundredOnly) {
  // Pipe frames are not paced, so 600 samples take seconds, not 20 s.
  EscritorDeTeste escritor(dar_nome_unico(fonte_.Get(), "estatisticas"), 0xD4);
  comecar();
  const auto contar = [](const char* prefixo) {
    std::size_t n = 0;
    for (const std::string& m : mensagens_registradas()) {
      if (m.rfind(prefixo, 0) == 0) ++n;
    }
    return n;
  };
  const std::size_t linhas_antes = contar("quadro ");
  // Four callers at once: a caller that finds no new pipe frame waits up to
  // 66 ms for one, so parallel callers keep the test short.
  constexpr int PEDIDOS = 601;
  std::atomic<int> emitidos{0};
  std::vector<std::thread> pedintes;
  for (int t = 0; t < 4; ++t) {
    pedintes.emplace_back([&] {
      while (emitidos.fetch_add(1) < PEDIDOS) EXPECT_EQ(fluxo_->RequestSample(nullptr), S_OK);
    });
  }
  while (emitidos.load() < PEDIDOS) {
    drenar(fluxo_.Get());
    std::this_thread::sleep_for(20ms);
  }
  for (std::thread& t : pedintes) t.join();
  drenar(fluxo_.Get());
  std::vector<std::string> linhas;
  for (const std::string& m : mensagens_registradas()) {
    if (m.rfind("quadro ", 0) == 0) linhas.push_back(m);
  }
  ASSERT_EQ(linhas.size(), linhas_antes + 3);
  const std::string esperadas[] = {"quadro 1 entregue", "quadro 300 entregue", "quadro 600 entregue"};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& l = linhas[linhas_antes + i];
    EXPECT_EQ(l.rfind(esperadas[i], 0), 0u) << l;
    EXPECT_NE(l.find("— cano: <omitido>"), std::string::npos) << l;
  }
}

std::size_t linhas_da_primeira_amostra() {
  std::size_t n = 0;
  for (const std::string& m : mensagens_registradas()) n += m.rfind("quadro 1 entregue", 0) == 0;
  return n;
}

TEST_F(FluxoTeste, ConcurrentRequestsWithStopStartAndShutdownNeitherDeadlockNorCrash) {
  const std::size_t primeiras_antes = linhas_da_primeira_amostra();
  comecar();
  std::atomic<bool> parar{false};
  std::atomic<int> entregues{0};
  std::atomic<int> recusados{0};
  std::atomic<int> tomadas{0};
  std::vector<std::thread> pedintes;
  // A consumer taking samples until Shutdown closes the stream's queue.
  pedintes.emplace_back([&] {
    for (;;) {
      ComPtr<IMFMediaEvent> evento;
      const HRESULT hr = fluxo_->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento);
      if (hr == MF_E_SHUTDOWN) break;
      MediaEventType tipo = MEUnknown;
      if (hr == S_OK && evento->GetType(&tipo) == S_OK) {
        tomadas.fetch_add(tipo == MEMediaSample);
      } else {
        std::this_thread::sleep_for(1ms);
      }
    }
  });
  for (int t = 0; t < 4; ++t) {
    pedintes.emplace_back([&] {
      while (!parar.load()) {
        const HRESULT hr = fluxo_->RequestSample(nullptr);
        if (hr == S_OK) {
          entregues.fetch_add(1);
        } else {
          EXPECT_TRUE(hr == MF_E_INVALIDREQUEST || hr == MF_E_SHUTDOWN) << std::hex << hr;
          recusados.fetch_add(1);
          std::this_thread::yield();
        }
      }
    });
  }
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(fonte_->Stop(), S_OK);
  std::this_thread::sleep_for(100ms);
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte_->CreatePresentationDescriptor(&descritor), S_OK);
  EXPECT_EQ(fonte_->Start(descritor.Get(), nullptr, nullptr), S_OK);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(fonte_->Shutdown(), S_OK);
  std::this_thread::sleep_for(100ms);
  parar.store(true);
  for (std::thread& t : pedintes) t.join();

  // Every sample taken came from a request that succeeded (Shutdown drops
  // the ones still queued), and only one of them was number 1.
  EXPECT_GT(tomadas.load(), 0);
  EXPECT_LE(tomadas.load(), entregues.load());
  EXPECT_GT(recusados.load(), 0);
  EXPECT_EQ(linhas_da_primeira_amostra(), primeiras_antes + 1);
}

}  // namespace
}  // namespace norva::teste
