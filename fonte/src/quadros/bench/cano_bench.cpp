// Pipe benchmark (Windows; under Wine here). Prints, from one run:
//   - the time of one 3,110,400-byte memcpy (for scale);
//   - the bare pipe: packets per second a plain reader takes from a writer
//     sending as fast as it can, one read per packet;
//   - the Cano's reader against the same writer: frames per second ingested,
//     with nobody taking frames and with consumers of several paces, and its
//     ratio to the bare pipe, with the frames per second the consumer was
//     handed (each one copied). Bare pipe and modes alternate, in rounds, and
//     each ratio is to the bare pipe of its own round (median of the rounds),
//     so that a machine whose load drifts does not favour one side;
//   - idade_do_quadro with a writer at 30 fps and a consumer waiting in
//     obter_quadro: median and p99.
// Figures only; nothing fails on time. Lines starting "resumo: " feed
// scripts/medir's summary table.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using Relogio = std::chrono::steady_clock;

constexpr auto DURACAO = 3s;
constexpr auto DURACAO_NA_RODADA = 1500ms;
constexpr int RODADAS = 5;
constexpr int COPIAS = 60;
constexpr std::uint32_t RITMO_DO_ESCRITOR = 30;
constexpr double MEDIANA = 50;
constexpr double PERCENTIL_99 = 99;
constexpr double MICROS_POR_SEGUNDO = 1e6;

using ferramentas::percentil;

double segundos(Relogio::duration d) { return std::chrono::duration<double>(d).count(); }

// A writer thread: accepts one client and writes records until `fim`, at
// `ritmo` frames per second (0: as fast as it can).
class Escritor {
 public:
  Escritor(const std::string& nome_do_cano, std::uint32_t ritmo)
      : servidor_(nome_do_cano), thread_([this, ritmo] { correr(ritmo); }) {}
  ~Escritor() {
    fim_ = true;
    thread_.join();
  }

 private:
  void correr(std::uint32_t ritmo) {
    servidor_.preparar();
    std::unique_ptr<ferramentas::ConexaoDoEscritor> c;
    while (!fim_ && !c) c = servidor_.aceitar(50ms);
    std::vector<std::uint8_t> pacote(TAMANHO_DO_PACOTE, 0x80);
    auto proximo = Relogio::now();
    for (std::uint64_t n = 0; c && !fim_; ++n) {
      const auto cab = CabecalhoDoQuadro::para_quadro(n);
      std::memcpy(pacote.data(), cab.data(), cab.size());
      if (!c->escrever(pacote)) break;
      if (ritmo > 0) {
        proximo += std::chrono::nanoseconds(1s) / ritmo;
        std::this_thread::sleep_until(proximo);
      }
    }
  }

  ferramentas::ServidorDoCano servidor_;
  std::atomic<bool> fim_{false};
  std::thread thread_;
};

// A friendly name of its own for each measurement, so that no pipe of an
// earlier one, still closing, is ever reached.
std::string amigavel(const std::string& caso) {
  static int vez = 0;
  return "bench " + caso + " " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(++vez);
}

double memcpy_em_microssegundos() {
  std::vector<std::uint8_t> a(TAMANHO_DO_QUADRO, 1), b(TAMANHO_DO_QUADRO, 2);
  std::vector<double> us;
  for (int i = 0; i < COPIAS; ++i) {
    a[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const auto t = Relogio::now();
    std::memcpy(b.data(), a.data(), TAMANHO_DO_QUADRO);
    us.push_back(segundos(Relogio::now() - t) * MICROS_POR_SEGUNDO);
  }
  return percentil(us, MEDIANA) + (b[0] == 255 ? 1e-9 : 0);  // keeps the copies
}

// A fresh frame buffer, filled once (every page faults in), then freed.
double alocar_em_microssegundos() {
  std::vector<double> us;
  for (int i = 0; i < COPIAS; ++i) {
    const auto t = Relogio::now();
    DadosDoQuadro q = novo_quadro();
    std::memset(q.get(), i, TAMANHO_DO_QUADRO);
    q.reset();
    us.push_back(segundos(Relogio::now() - t) * MICROS_POR_SEGUNDO);
  }
  return percentil(us, MEDIANA);
}

// A plain reader: ReadFile of what is left of one packet until it is whole.
bool ler_tudo(HANDLE h, std::uint8_t* destino, std::size_t tamanho) {
  while (tamanho > 0) {
    DWORD lidos = 0;
    if (!ReadFile(h, destino, static_cast<DWORD>(tamanho), &lidos, nullptr) || lidos == 0) return false;
    destino += lidos;
    tamanho -= lidos;
  }
  return true;
}

// What else the machine does beside the bare pipe, for scale: nothing, or a
// thread that copies one frame between two buffers of its own, either once
// per packet read or over and over. This is the work a consumer adds
// without any Cano in the way.
enum class Carga : std::uint8_t { Nenhuma, CopiaPorPacote, CopiasSemParar };

double cano_puro_por_segundo(Carga carga = Carga::Nenhuma) {
  const std::string nome = nome_do_cano(amigavel("puro"));
  Escritor escritor(nome, 0);
  HANDLE h = INVALID_HANDLE_VALUE;
  const auto limite = Relogio::now() + 5s;
  while (h == INVALID_HANDLE_VALUE && Relogio::now() < limite) {
    h = CreateFileW(largo_de_utf8(nome).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) std::this_thread::sleep_for(5ms);
  }
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::mutex mutex;
  std::condition_variable sinal;
  std::uint64_t pacotes = 0;  // guarded by mutex
  bool fim = false;
  std::thread copiador([&] {
    if (carga == Carga::Nenhuma) return;
    const DadosDoQuadro de = novo_quadro(), para = novo_quadro();
    std::memset(de.get(), 1, TAMANHO_DO_QUADRO);
    std::unique_lock trava(mutex);
    for (std::uint64_t vistos = 0; !fim;) {
      if (carga == Carga::CopiaPorPacote) sinal.wait(trava, [&] { return fim || pacotes != vistos; });
      vistos = pacotes;
      trava.unlock();
      std::memcpy(para.get(), de.get(), TAMANHO_DO_QUADRO);
      trava.lock();
    }
  });
  std::vector<std::uint8_t> buffer(TAMANHO_DO_PACOTE);
  const auto inicio = Relogio::now();
  while (Relogio::now() - inicio < DURACAO_NA_RODADA && ler_tudo(h, buffer.data(), TAMANHO_DO_PACOTE)) {
    { const std::lock_guard trava(mutex); ++pacotes; }
    sinal.notify_one();
  }
  const double s = segundos(Relogio::now() - inicio);
  { const std::lock_guard trava(mutex); fim = true; }
  sinal.notify_one();
  copiador.join();
  CloseHandle(h);
  return static_cast<double>(pacotes) / s;
}

// Who takes the frames: nobody, or a consumer that asks every `intervalo`
// (a stream at 30 fps asks every 33 ms; 0 ms asks again at once) and waits
// up to `espera` for a new frame.
struct Modo {
  const char* caso;
  const char* resumo;  // its name in the summary table
  bool com_consumidor;
  std::chrono::milliseconds intervalo;
  std::chrono::milliseconds espera;
};

const Modo MODOS[] = {
    {"sem consumidor", "no consumer", false, 0ms, 0ms},
    {"consumidor a 30 q/s", "consumer at 30 fps", true, 33ms, ESPERA_MAXIMA_DO_CANO},
    {"consumidor sem pausa", "consumer without pause", true, 0ms, ESPERA_MAXIMA_DO_CANO},
    {"consumidor sem pausa nem espera", "consumer without pause or wait", true, 0ms, 0ms},
};

// Per second: frames the reader took from the pipe, and frames the consumer
// was handed (new ones and repeats: each one a frame copied).
struct Ingestao {
  double recebidos = 0;
  double entregues = 0;
};

Ingestao cano_por_segundo(const Modo& modo) {
  const std::string nome = amigavel(modo.caso);
  Escritor escritor(nome_do_cano(nome), 0);
  auto cano = Cano::novo();
  cano->iniciar(nome);
  while (cano->contadores().recebidos == 0) std::this_thread::sleep_for(1ms);
  std::atomic<bool> fim{false};
  std::thread consumidor([&] {
    // One destination, reused as a stream's buffers are: allocating and
    // faulting in 3 MB per request would be the benchmark's work, not the
    // reader's.
    const DadosDoQuadro destino = novo_quadro();
    auto proximo = Relogio::now();
    while (modo.com_consumidor && !fim) {
      (void)cano->obter_quadro(modo.espera, DestinoDoQuadro(destino.get(), TAMANHO_DO_QUADRO));
      proximo += modo.intervalo;
      std::this_thread::sleep_until(proximo);
    }
  });
  const ContadoresDoCano antes = cano->contadores();
  const auto inicio = Relogio::now();
  std::this_thread::sleep_for(DURACAO_NA_RODADA);
  const ContadoresDoCano depois = cano->contadores();
  const double s = segundos(Relogio::now() - inicio);
  fim = true;
  consumidor.join();
  cano->encerrar();
  return {static_cast<double>(depois.recebidos - antes.recebidos) / s,
          static_cast<double>(depois.entregues - antes.entregues) / s};
}

void idade_a_30_por_segundo(double& med, double& p99, std::size_t& amostras) {
  const std::string nome = amigavel("idade");
  Escritor escritor(nome_do_cano(nome), RITMO_DO_ESCRITOR);
  auto cano = Cano::novo();
  cano->iniciar(nome);
  std::vector<double> idades;
  const auto inicio = Relogio::now();
  ContadoresDoCano antes = cano->contadores();
  while (Relogio::now() - inicio < DURACAO) {
    const QuadroEntregue q = cano->obter_quadro(ESPERA_MAXIMA_DO_CANO);
    const ContadoresDoCano c = cano->contadores();
    // A new frame: delivered, and not as a repeat.
    if (q.origem == Origem::Cano && c.repetidos == antes.repetidos && c.entregues > antes.entregues) {
      idades.push_back(static_cast<double>(c.idade_do_quadro));
    }
    antes = c;
  }
  cano->encerrar();
  med = percentil(idades, MEDIANA);
  p99 = percentil(idades, PERCENTIL_99);
  amostras = idades.size();
}

}  // namespace
}  // namespace norva

int main() {
  using namespace norva;
  std::printf("memcpy de 3110400 bytes: %.1f us (mediana)\n", memcpy_em_microssegundos());
  std::printf("novo_quadro + memset + free: %.1f us (mediana)\n", alocar_em_microssegundos());
  std::vector<double> puros, com_copia, com_copias;
  std::vector<std::vector<double>> taxas(std::size(MODOS)), entregas(std::size(MODOS)), partes(std::size(MODOS));
  const auto parte_de = [](double q, double puro) { return puro > 0 ? 100 * q / puro : 0; };
  for (int rodada = 0; rodada < RODADAS; ++rodada) {
    const double puro = cano_puro_por_segundo();
    puros.push_back(puro);
    com_copia.push_back(parte_de(cano_puro_por_segundo(Carga::CopiaPorPacote), puro));
    com_copias.push_back(parte_de(cano_puro_por_segundo(Carga::CopiasSemParar), puro));
    for (std::size_t i = 0; i < std::size(MODOS); ++i) {
      const Ingestao q = cano_por_segundo(MODOS[i]);
      taxas[i].push_back(q.recebidos);
      entregas[i].push_back(q.entregues);
      partes[i].push_back(parte_de(q.recebidos, puro));
    }
  }
  std::printf("cano puro (leitor simples, pacote inteiro por leitura): %.1f pacotes/s (mediana de %d rodadas)\n",
              percentil(puros, MEDIANA), RODADAS);
  const auto escala = [](const char* texto, const char* resumo, const std::vector<double>& partes) {
    std::printf("cano puro, %s: %.0f%% do cano puro da mesma rodada (mediana; menor %.0f%%)\n", texto,
                percentil(partes, MEDIANA), std::ranges::min(partes));
    std::printf("resumo: bare pipe, %s (%% of a bare pipe) | %.0f | - | -\n", resumo, percentil(partes, MEDIANA));
  };
  escala("com outra thread copiando um quadro por pacote", "another thread copying one frame per packet", com_copia);
  escala("com outra thread copiando quadros sem parar", "another thread copying frames without pause", com_copias);
  for (std::size_t i = 0; i < std::size(MODOS); ++i) {
    const double parte = percentil(partes[i], MEDIANA);
    std::printf("Cano, %s: %.1f quadros/s (%.0f%% do cano puro da mesma rodada, mediana; menor %.0f%%); "
                "%.0f entregues/s\n",
                MODOS[i].caso, percentil(taxas[i], MEDIANA), parte, std::ranges::min(partes[i]),
                percentil(entregas[i], MEDIANA));
    std::printf("resumo: pipe ingest, %s (%% of a bare pipe) | %.0f | >= 90 | %s\n", MODOS[i].resumo, parte,
                parte >= 90 ? "yes" : "no");
  }
  double med = 0, p99 = 0;
  std::size_t n = 0;
  idade_a_30_por_segundo(med, p99, n);
  std::printf("idade_do_quadro, escritor a 30 q/s: mediana %.0f us, p99 %.0f us (%zu quadros)\n", med, p99, n);
  std::printf("resumo: frame age, writer at 30 fps (us, median / p99) | %.0f / %.0f | - | -\n", med, p99);
  return 0;
}
