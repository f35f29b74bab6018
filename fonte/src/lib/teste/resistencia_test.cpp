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
#include <tlhelp32.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/fluxo/fluxo.h"
#include "fonte/src/fonte/fonte.h"
#include "fonte/src/lib/fabrica.h"
#include "fonte/src/quadros/nome_do_cano.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

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

struct Medidas {
  long threads = 0;
  long handles = 0;
  long long bytes_privados = 0;
};

// Handles open in this process. Wine 8 answers GetProcessHandleCount with 0,
// so there every handle value is probed instead (handles are small multiples
// of 4, handed out lowest first).
long contar_handles() {
  DWORD quantidade = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &quantidade) && quantidade > 0) return quantidade;
  constexpr std::uintptr_t ULTIMO_HANDLE_PROVADO = 0x10000;
  long abertos = 0;
  for (std::uintptr_t valor = 4; valor <= ULTIMO_HANDLE_PROVADO; valor += 4) {
    DWORD sinais = 0;
    abertos += GetHandleInformation(reinterpret_cast<HANDLE>(valor), &sinais) != FALSE;
  }
  return abertos;
}

// Committed private memory, region by region (Wine 8 reports no PrivateUsage).
long long contar_bytes_privados() {
  long long total = 0;
  MEMORY_BASIC_INFORMATION regiao{};
  for (const char* endereco = nullptr;
       VirtualQuery(endereco, &regiao, sizeof regiao) == sizeof regiao;
       endereco = static_cast<const char*>(regiao.BaseAddress) + regiao.RegionSize) {
    if (regiao.State == MEM_COMMIT && regiao.Type == MEM_PRIVATE) total += static_cast<long long>(regiao.RegionSize);
  }
  return total;
}

Medidas medir() {
  Medidas m;
  HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entrada{};
  entrada.dwSize = sizeof entrada;
  for (BOOL ha = Thread32First(foto, &entrada); ha; ha = Thread32Next(foto, &entrada)) {
    m.threads += entrada.th32OwnerProcessID == GetCurrentProcessId();
  }
  CloseHandle(foto);
  m.handles = contar_handles();
  m.bytes_privados = contar_bytes_privados();
  return m;
}

class Resistencia : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(Fonte::vivos(), 0) << "a source outlived its cycle";
    EXPECT_EQ(Fluxo::vivos(), 0) << "a stream outlived its cycle";
    MFShutdown();
    CoUninitialize();
  }

  // A camera name, and so a pipe, of this process and test alone.
  static std::string nome_unico(const char* base) {
    return std::string("norva-R-") + std::to_string(GetCurrentProcessId()) + "-" + base;
  }

  // Created by the class factory, named, activated and started.
  static ComPtr<IMFMediaSource> camera_iniciada(const std::string& nome) {
    ComPtr<IMFActivate> ativador;
    EXPECT_EQ(Fabrica::nova()->CreateInstance(nullptr, IID_PPV_ARGS(&ativador)), S_OK);
    if (!ativador) return nullptr;
    const std::wstring largo(nome.begin(), nome.end());
    EXPECT_EQ(ativador->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, largo.c_str()), S_OK);
    ComPtr<IMFMediaSource> fonte;
    EXPECT_EQ(ativador->ActivateObject(IID_PPV_ARGS(&fonte)), S_OK);
    ComPtr<IMFPresentationDescriptor> descritor;
    if (!fonte || fonte->CreatePresentationDescriptor(&descritor) != S_OK) return nullptr;
    EXPECT_EQ(fonte->Start(descritor.Get(), nullptr, nullptr), S_OK);
    return fonte;
  }

  // The stream announced by the source's MENewStream.
  static ComPtr<IMFMediaStream> fluxo_anunciado(IMFMediaSource* fonte) {
    for (;;) {
      ComPtr<IMFMediaEvent> evento;
      if (fonte->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) return nullptr;
      MediaEventType tipo = MEUnknown;
      evento->GetType(&tipo);
      if (tipo != MENewStream) continue;
      PROPVARIANT valor;
      PropVariantInit(&valor);
      evento->GetValue(&valor);
      ComPtr<IMFMediaStream> fluxo;
      if (valor.vt == VT_UNKNOWN && valor.punkVal != nullptr) valor.punkVal->QueryInterface(IID_PPV_ARGS(&fluxo));
      PropVariantClear(&valor);
      return fluxo;
    }
  }

  // Requests one sample and takes its event; the sample's size, 0 on failure.
  static DWORD ler_amostra(IMFMediaStream* fluxo) {
    if (fluxo->RequestSample(nullptr) != S_OK) return 0;
    for (;;) {
      ComPtr<IMFMediaEvent> evento;
      if (fluxo->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) return 0;
      MediaEventType tipo = MEUnknown;
      evento->GetType(&tipo);
      if (tipo != MEMediaSample) continue;
      PROPVARIANT valor;
      PropVariantInit(&valor);
      evento->GetValue(&valor);
      ComPtr<IMFSample> amostra;
      if (valor.vt == VT_UNKNOWN && valor.punkVal != nullptr) valor.punkVal->QueryInterface(IID_PPV_ARGS(&amostra));
      PropVariantClear(&valor);
      DWORD tamanho = 0;
      if (amostra) amostra->GetTotalLength(&tamanho);
      return tamanho;
    }
  }
};

// The desktop application's stand-in: serves the camera's pipe, takes each
// new connection in turn and writes frames until the camera goes away.
class EscritorContinuo {
 public:
  explicit EscritorContinuo(const std::string& nome_amigavel)
      : servidor_(nome_do_cano(nome_amigavel)), thread_([this] { servir(); }) {}
  ~EscritorContinuo() {
    parar_ = true;
    thread_.join();
  }
  int conexoes() const { return conexoes_.load(); }

 private:
  void servir() {
    const std::vector<std::uint8_t> quadro(TAMANHO_DO_QUADRO, 0x80);
    const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> bytes(quadro.data(), TAMANHO_DO_QUADRO);
    for (std::uint64_t n = 0; !parar_;) {
      auto conexao = servidor_.aceitar(50ms);
      if (!conexao) continue;
      ++conexoes_;
      servidor_.preparar();  // the next camera finds an instance at once
      while (!parar_ && conexao->escrever_quadro(bytes, ++n)) {
      }
    }
  }

  ferramentas::ServidorDoCano servidor_;
  std::atomic<bool> parar_{false};
  std::atomic<int> conexoes_{0};
  std::thread thread_;
};

// --- Lifetime: create, activate, start, read, shut down, release ------------

struct Vida {
  const char* nome;
  bool com_escritor;
};
void PrintTo(const Vida& v, std::ostream* os) { *os << v.nome; }

class CicloDeVida : public Resistencia, public ::testing::WithParamInterface<Vida> {};

TEST_P(CicloDeVida, ThreadsHandlesAndPrivateBytesReturnToTheirStartingLevel) {
  const std::string nome = nome_unico(GetParam().nome);
  std::unique_ptr<EscritorContinuo> escritor;
  if (GetParam().com_escritor) escritor = std::make_unique<EscritorContinuo>(nome);
  auto ciclo = [&] {
    ComPtr<IMFMediaSource> fonte = camera_iniciada(nome);
    ASSERT_NE(fonte, nullptr);
    ComPtr<IMFMediaStream> fluxo = fluxo_anunciado(fonte.Get());
    ASSERT_NE(fluxo, nullptr);
    for (int i = 0; i < AMOSTRAS_POR_CICLO; ++i) ASSERT_EQ(ler_amostra(fluxo.Get()), TAMANHO_DO_QUADRO);
    ASSERT_EQ(fonte->Shutdown(), S_OK);
  };
  // Waits for the detached pipe readers of the last cycles to end.
  auto assentar = [] {
    std::this_thread::sleep_for(1s);
    return medir();
  };

  for (int i = 0; i < CICLOS_DE_AQUECIMENTO; ++i) ASSERT_NO_FATAL_FAILURE(ciclo());
  const Medidas antes = assentar();
  const int n = ciclos();
  const auto inicio = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) ASSERT_NO_FATAL_FAILURE(ciclo()) << "cycle " << i;
  const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  const Medidas depois = assentar();

  std::printf("%s: %d cycles in %.1f s; threads %ld -> %ld, handles %ld -> %ld, private bytes %.1f -> %.1f MB",
              GetParam().nome, n, segundos, antes.threads, depois.threads, antes.handles, depois.handles,
              antes.bytes_privados / 1048576.0, depois.bytes_privados / 1048576.0);
  if (escritor) std::printf("; writer connections %d", escritor->conexoes());
  std::printf("\n");
  EXPECT_LE(depois.threads, antes.threads + THREADS_A_MAIS);
  EXPECT_LE(depois.handles, antes.handles + HANDLES_A_MAIS);
  EXPECT_LE(depois.bytes_privados, antes.bytes_privados + BYTES_PRIVADOS_A_MAIS);
  if (escritor) {
    EXPECT_GT(escritor->conexoes(), 0) << "the cameras read the writer's pipe";
  }
}

INSTANTIATE_TEST_SUITE_P(Resistencia, CicloDeVida,
                         ::testing::Values(Vida{"sem-escritor", false}, Vida{"com-escritor", true}),
                         [](const auto& info) { return info.param.com_escritor ? "ComEscritor" : "SemEscritor"; });

// --- Concurrency: requests against Start, Stop, SetStreamState, Shutdown ----

// The slowest call of one kind, and whether each answer was one it may give.
class Cronometro {
 public:
  template <class Chamada>
  void medir(Chamada&& chamada, std::initializer_list<HRESULT> aceitos) {
    const auto inicio = std::chrono::steady_clock::now();
    const HRESULT hr = chamada();
    const auto gasto = std::chrono::steady_clock::now() - inicio;
    auto atual = maximo_.load();
    while (gasto.count() > atual && !maximo_.compare_exchange_weak(atual, gasto.count())) {
    }
    if (std::find(aceitos.begin(), aceitos.end(), hr) == aceitos.end()) {
      inesperados_.fetch_add(1);
      ultimo_inesperado_ = hr;
    }
    chamadas_.fetch_add(1);
  }
  std::chrono::steady_clock::duration maximo() const {
    return std::chrono::steady_clock::duration(maximo_.load());
  }
  long chamadas() const { return chamadas_.load(); }
  long inesperados() const { return inesperados_.load(); }
  HRESULT ultimo_inesperado() const { return ultimo_inesperado_.load(); }

 private:
  std::atomic<std::chrono::steady_clock::rep> maximo_{0};
  std::atomic<long> chamadas_{0};
  std::atomic<long> inesperados_{0};
  std::atomic<HRESULT> ultimo_inesperado_{S_OK};
};

constexpr int PEDINTES = 4;
constexpr auto VIDA_DE_CADA_FONTE = 40ms;

TEST_F(Resistencia, ConcurrentCallsOverManySourcesReturnInBoundAndLeaveNothing) {
  const std::string nome = nome_unico("concorrencia");
  Cronometro pedidos, inicios, paradas, estados, desligamentos;
  const Medidas antes = medir();
  const int n = ciclos();
  for (int i = 0; i < n; ++i) {
    ComPtr<IMFMediaSource> fonte = camera_iniciada(nome);
    ASSERT_NE(fonte, nullptr);
    ComPtr<IMFMediaStream> fluxo = fluxo_anunciado(fonte.Get());
    ASSERT_NE(fluxo, nullptr);
    ComPtr<IMFMediaStream2> fluxo2;
    ASSERT_EQ(fluxo.As(&fluxo2), S_OK);
    ComPtr<IMFPresentationDescriptor> descritor;
    ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);

    std::atomic<bool> parar{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < PEDINTES; ++t) {
      threads.emplace_back([&] {
        while (!parar) {
          pedidos.medir([&] { return fluxo->RequestSample(nullptr); },
                        {S_OK, MF_E_INVALIDREQUEST, MF_E_SHUTDOWN});
          ComPtr<IMFMediaEvent> evento;
          fluxo->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento);  // keeps the queue short
        }
      });
    }
    threads.emplace_back([&] {
      for (int k = 0; !parar; ++k) {
        switch (k % 4) {
          case 0:
            paradas.medir([&] { return fonte->Stop(); }, {S_OK, MF_E_SHUTDOWN});
            break;
          case 1:
            inicios.medir([&] { return fonte->Start(descritor.Get(), nullptr, nullptr); }, {S_OK, MF_E_SHUTDOWN});
            break;
          default:
            estados.medir([&] { return fluxo2->SetStreamState(k % 4 == 2 ? MF_STREAM_STATE_STOPPED
                                                                          : MF_STREAM_STATE_RUNNING); },
                          {S_OK, MF_E_SHUTDOWN});
        }
        ComPtr<IMFMediaEvent> evento;
        fonte->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento);
        std::this_thread::yield();
      }
    });
    std::this_thread::sleep_for(VIDA_DE_CADA_FONTE);
    desligamentos.medir([&] { return fonte->Shutdown(); }, {S_OK});
    std::this_thread::sleep_for(5ms);  // calls keep coming after Shutdown
    parar = true;
    for (std::thread& t : threads) t.join();
  }

  struct Linha {
    const char* nome;
    const Cronometro& c;
  };
  for (const Linha& l : {Linha{"RequestSample", pedidos}, Linha{"Start", inicios}, Linha{"Stop", paradas},
                         Linha{"SetStreamState", estados}, Linha{"Shutdown", desligamentos}}) {
    std::printf("%-15s %8ld calls, slowest %7.1f ms, unexpected answers %ld\n", l.nome, l.c.chamadas(),
                std::chrono::duration<double, std::milli>(l.c.maximo()).count(), l.c.inesperados());
    EXPECT_LT(l.c.maximo(), LIMITE_DE_UMA_CHAMADA) << l.nome;
    EXPECT_EQ(l.c.inesperados(), 0) << l.nome << ", last 0x" << std::hex << l.c.ultimo_inesperado();
  }
  const Medidas depois = medir();
  std::printf("%d sources; handles %ld -> %ld\n", n, antes.handles, depois.handles);
  EXPECT_LE(depois.handles, antes.handles + HANDLES_A_MAIS);
  EXPECT_GT(pedidos.chamadas(), 0);
  // TearDown asserts that no source and no stream is left.
}

}  // namespace
}  // namespace norva
