// Soaks of the whole camera through its class factory, in-process so that
// live objects can be counted: many lifetimes in a row must give back every
// thread, handle and byte; many sources torn down under concurrent calls
// must never crash, hang or leave an object behind.
//
// Bounded for CI; NORVA_CICLOS sets the number of cycles (1000 for the full
// soak, see README).
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/lib/fabrica.h"
#include "fonte/src/lib/teste/dll_carregada.h"
#include "ferramentas/escritor/teste/escritor_em_fundo.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;
using Medidas = teste::MedidasDoProcesso;

constexpr int CICLOS_EM_CI = 40;
constexpr int AMOSTRAS_POR_CICLO = 3;
// Warm-up cycles before the starting level is read: the first ones load the
// platform's DLLs and grow its thread pools once for the whole process.
constexpr int CICLOS_DE_AQUECIMENTO = 5;
// What may stay above the starting level after the soak: the platform's
// pools and the heap settle a little differently each run; a leak per cycle
// would exceed these many times over.
constexpr long THREADS_A_MAIS = 3;
constexpr long HANDLES_A_MAIS = 12;
constexpr long long BYTES_PRIVADOS_A_MAIS = 48LL << 20;
// The longest any one call may take under concurrency: a sample request
// waits at most 66 ms plus one frame period; this is a hang detector.
constexpr auto LIMITE_DE_UMA_CHAMADA = 2s;

int ciclos() {
  const char* texto = std::getenv("NORVA_CICLOS");
  const int pedidos = texto != nullptr ? std::atoi(texto) : 0;
  return pedidos > 0 ? pedidos : CICLOS_EM_CI;
}

// The object carried by the first queued event of type `tipo`, without
// waiting; null when there is none.
template <class I>
ComPtr<I> objeto_do_evento(IMFMediaEventGenerator* gerador, MediaEventType tipo) {
  ComPtr<I> objeto;
  for (const teste::Evento& e : teste::drenar(gerador)) {
    if (e.tipo == tipo && !objeto && e.objeto) e.objeto.As(&objeto);
  }
  return objeto;
}

// Platform per test, and no source or stream left after it (AmbienteMF).
class Resistencia : public teste::AmbienteMF {
 protected:
  // A started camera and the stream its MENewStream announced.
  static std::pair<ComPtr<IMFMediaSource>, ComPtr<IMFMediaStream>> camera(const std::string& nome) {
    ComPtr<IMFMediaSource> fonte = teste::camera_iniciada(Fabrica::nova().Get(), nome);
    ComPtr<IMFMediaStream> fluxo = fonte ? objeto_do_evento<IMFMediaStream>(fonte.Get(), MENewStream) : nullptr;
    return {fonte, fluxo};
  }
};

// --- Lifetime: create, activate, start, read, shut down, release ------------

class CicloDeVida : public Resistencia, public ::testing::WithParamInterface<bool> {};

TEST_P(CicloDeVida, ThreadsHandlesAndPrivateBytesReturnToTheirStartingLevel) {
  const std::string nome = teste::nome_unico("norva-resistencia");
  std::unique_ptr<teste::EscritorEmFundo> escritor;
  if (GetParam()) escritor = std::make_unique<teste::EscritorEmFundo>(nome, 0x80, 0ms);
  auto ciclo = [&] {
    auto [fonte, fluxo] = camera(nome);
    ASSERT_NE(fluxo, nullptr);
    for (int i = 0; i < AMOSTRAS_POR_CICLO; ++i) {
      ASSERT_EQ(fluxo->RequestSample(nullptr), S_OK);
      ComPtr<IMFSample> amostra = objeto_do_evento<IMFSample>(fluxo.Get(), MEMediaSample);
      DWORD tamanho = 0;
      ASSERT_TRUE(amostra && amostra->GetTotalLength(&tamanho) == S_OK);
      ASSERT_EQ(tamanho, TAMANHO_DO_QUADRO);
    }
    ASSERT_EQ(fonte->Shutdown(), S_OK);
  };
  // Waits for the detached pipe readers of the last cycles to end.
  auto assentar = [] {
    std::this_thread::sleep_for(1s);
    return teste::medir_processo();
  };

  for (int i = 0; i < CICLOS_DE_AQUECIMENTO; ++i) ASSERT_NO_FATAL_FAILURE(ciclo());
  const Medidas antes = assentar();
  const int n = ciclos();
  const auto inicio = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) ASSERT_NO_FATAL_FAILURE(ciclo()) << "cycle " << i;
  const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  const Medidas depois = assentar();

  std::printf("%d cycles in %.1f s; threads %ld -> %ld, handles %ld -> %ld, private bytes %.1f -> %.1f MB; "
              "writer connections %d\n",
              n, segundos, antes.threads, depois.threads, antes.handles, depois.handles,
              antes.bytes_privados / 1048576.0, depois.bytes_privados / 1048576.0,
              escritor ? escritor->conexoes() : 0);
  EXPECT_LE(depois.threads, antes.threads + THREADS_A_MAIS);
  EXPECT_LE(depois.handles, antes.handles + HANDLES_A_MAIS);
  EXPECT_LE(depois.bytes_privados, antes.bytes_privados + BYTES_PRIVADOS_A_MAIS);
  if (escritor) {
    EXPECT_GT(escritor->conexoes(), 0) << "the cameras read the writer's pipe";
  }
}

INSTANTIATE_TEST_SUITE_P(Resistencia, CicloDeVida, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ComEscritor" : "SemEscritor"; });

// --- Concurrency: requests against Start, Stop, SetStreamState, Shutdown ----

// The slowest call of one kind, and the answers it may not give.
struct Cronometro {
  const char* nome;
  std::atomic<std::chrono::steady_clock::rep> maximo{0};
  std::atomic<long> chamadas{0};
  std::atomic<HRESULT> inesperado{S_OK};  // the last one

  template <class Chamada>
  void medir(Chamada&& chamada, std::initializer_list<HRESULT> aceitos) {
    const auto inicio = std::chrono::steady_clock::now();
    const HRESULT hr = chamada();
    const auto gasto = (std::chrono::steady_clock::now() - inicio).count();
    for (auto atual = maximo.load(); gasto > atual && !maximo.compare_exchange_weak(atual, gasto);) {
    }
    if (std::find(aceitos.begin(), aceitos.end(), hr) == aceitos.end()) inesperado = hr;
    chamadas.fetch_add(1);
  }
};

constexpr int PEDINTES = 4;
constexpr auto VIDA_DE_CADA_FONTE = 40ms;

TEST_F(Resistencia, ConcurrentCallsOverManySourcesReturnInBoundAndLeaveNothing) {
  const std::string nome = teste::nome_unico("norva-concorrencia");
  Cronometro pedidos{"RequestSample"}, inicios{"Start"}, paradas{"Stop"}, estados{"SetStreamState"},
      desligamentos{"Shutdown"};
  const Medidas antes = teste::medir_processo();
  const int n = ciclos();
  for (int i = 0; i < n; ++i) {
    auto [fonte, fluxo] = camera(nome);
    ComPtr<IMFMediaStream2> fluxo2;
    ComPtr<IMFPresentationDescriptor> descritor;
    ASSERT_TRUE(fluxo && fluxo.As(&fluxo2) == S_OK && fonte->CreatePresentationDescriptor(&descritor) == S_OK);
    {
      std::vector<std::jthread> threads;  // each asked to stop, then joined, at the end of this block
      for (int t = 0; t < PEDINTES; ++t) {
        threads.emplace_back([&](std::stop_token parar) {
          while (!parar.stop_requested()) {
            pedidos.medir([&] { return fluxo->RequestSample(nullptr); }, {S_OK, MF_E_INVALIDREQUEST, MF_E_SHUTDOWN});
            ComPtr<IMFMediaEvent> evento;
            fluxo->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento);  // keeps the queue short
          }
        });
      }
      threads.emplace_back([&](std::stop_token parar) {
        for (int k = 0; !parar.stop_requested(); ++k) {
          if (k % 4 == 0) {
            paradas.medir([&] { return fonte->Stop(); }, {S_OK, MF_E_SHUTDOWN});
          } else if (k % 4 == 1) {
            inicios.medir([&] { return fonte->Start(descritor.Get(), nullptr, nullptr); }, {S_OK, MF_E_SHUTDOWN});
          } else {
            const auto estado = k % 4 == 2 ? MF_STREAM_STATE_STOPPED : MF_STREAM_STATE_RUNNING;
            estados.medir([&] { return fluxo2->SetStreamState(estado); }, {S_OK, MF_E_SHUTDOWN});
          }
          ComPtr<IMFMediaEvent> evento;
          fonte->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento);
          std::this_thread::yield();
        }
      });
      std::this_thread::sleep_for(VIDA_DE_CADA_FONTE);
      desligamentos.medir([&] { return fonte->Shutdown(); }, {S_OK});
      std::this_thread::sleep_for(5ms);  // calls keep coming after Shutdown
    }
  }

  for (const Cronometro* c : {&pedidos, &inicios, &paradas, &estados, &desligamentos}) {
    const auto maximo = std::chrono::steady_clock::duration(c->maximo.load());
    std::printf("%-15s %8ld calls, slowest %7.1f ms\n", c->nome, c->chamadas.load(),
                std::chrono::duration<double, std::milli>(maximo).count());
    EXPECT_LT(maximo, LIMITE_DE_UMA_CHAMADA) << c->nome;
    EXPECT_EQ(c->inesperado.load(), S_OK) << c->nome << " gave an answer it may not give";
  }
  const Medidas depois = teste::medir_processo();
  std::printf("%d sources; handles %ld -> %ld\n", n, antes.handles, depois.handles);
  EXPECT_LE(depois.handles, antes.handles + HANDLES_A_MAIS);
  EXPECT_GT(pedidos.chamadas.load(), 0);
  // TearDown asserts that no source and no stream is left.
}

}  // namespace
}  // namespace norva
