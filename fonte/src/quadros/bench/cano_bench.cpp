// Pipe benchmark (Windows; under Wine here). Prints, from one run:
//   - the time of one 3,110,400-byte memcpy (for scale);
//   - the bare pipe: records per second a plain reader takes from a writer
//     sending as fast as it can;
//   - the Cano's reader against the same writer: frames per second ingested,
//     with nobody taking frames and with a consumer taking them all the time,
//     and its ratio to the bare pipe;
//   - idade_do_quadro with a writer at 30 fps and a consumer waiting in
//     obter_quadro: median and p99.
// Figures only; nothing fails on time. Lines starting "resumo: " feed
// scripts/medir's summary table.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/quadros/cabecalho.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using Relogio = std::chrono::steady_clock;

constexpr auto DURACAO = 3s;
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

std::string nome_de(const char* caso) {
  return nome_do_cano(std::string("bench ") + caso + " " + std::to_string(GetCurrentProcessId()));
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

// A plain reader: one ReadFile of a whole record at a time, or (`em_duas`)
// the header and the payload apart, as the protocol's reader does.
bool ler_tudo(HANDLE h, std::uint8_t* destino, std::size_t tamanho) {
  while (tamanho > 0) {
    DWORD lidos = 0;
    if (!ReadFile(h, destino, static_cast<DWORD>(tamanho), &lidos, nullptr) || lidos == 0) return false;
    destino += lidos;
    tamanho -= lidos;
  }
  return true;
}

double cano_puro_por_segundo(bool em_duas) {
  const std::string nome = nome_de(em_duas ? "puro em duas" : "puro");
  Escritor escritor(nome, 0);
  HANDLE h = INVALID_HANDLE_VALUE;
  const auto limite = Relogio::now() + 5s;
  while (h == INVALID_HANDLE_VALUE && Relogio::now() < limite) {
    h = CreateFileW(largo_de_utf8(nome).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) std::this_thread::sleep_for(5ms);
  }
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::uint8_t> buffer(TAMANHO_DO_PACOTE);
  std::uint64_t pacotes = 0;
  const auto inicio = Relogio::now();
  while (Relogio::now() - inicio < DURACAO) {
    const bool ok = em_duas ? ler_tudo(h, buffer.data(), CabecalhoDoQuadro::TAMANHO) &&
                                  ler_tudo(h, buffer.data() + CabecalhoDoQuadro::TAMANHO, TAMANHO_DO_QUADRO)
                            : ler_tudo(h, buffer.data(), TAMANHO_DO_PACOTE);
    if (!ok) break;
    ++pacotes;
  }
  const double s = segundos(Relogio::now() - inicio);
  CloseHandle(h);
  return static_cast<double>(pacotes) / s;
}

// The consumer: none (0), or one that asks every `intervalo` (a stream at 30
// fps asks every 33 ms; 0 ms asks again at once).
double cano_por_segundo(bool com_consumidor, std::chrono::milliseconds intervalo, std::chrono::milliseconds espera) {
  const std::string caso = com_consumidor ? "com consumidor " + std::to_string(intervalo.count()) : "sem consumidor";
  Escritor escritor(nome_de(caso.c_str()), 0);
  auto cano = Cano::novo();
  cano->iniciar(std::string("bench ") + caso + " " + std::to_string(GetCurrentProcessId()));
  while (cano->contadores().recebidos == 0) std::this_thread::sleep_for(1ms);
  std::atomic<bool> fim{false};
  std::thread consumidor([&] {
    auto proximo = Relogio::now();
    while (com_consumidor && !fim) {
      (void)cano->obter_quadro(espera);
      proximo += intervalo;
      std::this_thread::sleep_until(proximo);
    }
  });
  const auto antes = cano->contadores().recebidos;
  const auto inicio = Relogio::now();
  std::this_thread::sleep_for(DURACAO);
  const auto depois = cano->contadores().recebidos;
  const double s = segundos(Relogio::now() - inicio);
  fim = true;
  consumidor.join();
  cano->encerrar();
  return static_cast<double>(depois - antes) / s;
}

void idade_a_30_por_segundo(double& med, double& p99, std::size_t& amostras) {
  const char* caso = "idade";
  Escritor escritor(nome_de(caso), RITMO_DO_ESCRITOR);
  auto cano = Cano::novo();
  cano->iniciar(std::string("bench ") + caso + " " + std::to_string(GetCurrentProcessId()));
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
  const double puro = cano_puro_por_segundo(false);
  std::printf("cano puro (leitor simples, pacote inteiro por leitura): %.1f pacotes/s\n", puro);
  std::printf("cano puro (leitor simples, cabeçalho e carga em duas leituras): %.1f pacotes/s\n",
              cano_puro_por_segundo(true));
  const double sem = cano_por_segundo(false, 0ms, 0ms);
  std::printf("Cano, sem consumidor: %.1f quadros/s (%.0f%% do cano puro)\n", sem, puro > 0 ? 100 * sem / puro : 0);
  const double a30 = cano_por_segundo(true, 33ms, ESPERA_MAXIMA_DO_CANO);
  std::printf("Cano, consumidor a 30 q/s: %.1f quadros/s (%.0f%% do cano puro)\n", a30, puro > 0 ? 100 * a30 / puro : 0);
  const double sem_pausa = cano_por_segundo(true, 0ms, ESPERA_MAXIMA_DO_CANO);
  std::printf("Cano, consumidor sem pausa: %.1f quadros/s (%.0f%% do cano puro)\n", sem_pausa, puro > 0 ? 100 * sem_pausa / puro : 0);
  const double sem_espera = cano_por_segundo(true, 0ms, 0ms);
  std::printf("Cano, consumidor sem pausa nem espera: %.1f quadros/s (%.0f%% do cano puro)\n", sem_espera, puro > 0 ? 100 * sem_espera / puro : 0);
  const auto resumo = [puro](const char* modo, double q) {
    const double parte = puro > 0 ? 100 * q / puro : 0;
    std::printf("resumo: pipe ingest, %s (%% of a bare pipe) | %.0f | >= 90 | %s\n", modo, parte,
                parte >= 90 ? "yes" : "no");
  };
  resumo("no consumer", sem);
  resumo("consumer at 30 fps", a30);
  resumo("consumer without pause", sem_pausa);
  resumo("consumer without pause or wait", sem_espera);
  double med = 0, p99 = 0;
  std::size_t n = 0;
  idade_a_30_por_segundo(med, p99, n);
  std::printf("idade_do_quadro, escritor a 30 q/s: mediana %.0f us, p99 %.0f us (%zu quadros)\n", med, p99, n);
  std::printf("resumo: frame age, writer at 30 fps (us, median / p99) | %.0f / %.0f | - | -\n", med, p99);
  return 0;
}
