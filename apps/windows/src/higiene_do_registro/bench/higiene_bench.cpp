// Throughput of higienizar on the camera's own log messages, one call per
// message as the log writer makes them, against one 1 MB adversarial text
// built to push every scanner into its longest look-ahead (deep and
// mismatched brackets, long quoted values, long words, near-addresses, keys
// without pairs). The work must stay linear: the last benchmark prints both
// figures in MB/s and the cost per byte of the adversarial text over the
// realistic one ("razao_adversario_realista", expected well under 5).
#include <benchmark/benchmark.h>

#include <array>
#include <ctime>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {
namespace {

constexpr std::size_t TAMANHO_DO_ADVERSARIO = 1 << 20;
constexpr double BYTES_POR_MB = 1e6;

// What the camera writes, with its values filled in.
constexpr std::array<std::string_view, 24> MENSAGENS = {
    "DLL carregada",
    "DllGetClassObject -> HRESULT(0x00000000)",
    "CreateInstance riid=279A808D-AEC7-40C8-9C6B-A6B492C78A66 -> HRESULT(0x00000000)",
    "CreateInstance riid=00000000-0000-0000-C000-000000000046 -> HRESULT(0x80004002)",
    "fonte de mídia criada (1920x1080 NV12 30fps)",
    "Start: fonte rodando (primeira_vez=true)",
    "cano desta câmera configurado (nome omitido)",
    "cano conectado",
    "quadro 1 entregue (origem=padrão) — cano: conectado=false recebidos=0 entregues=0 "
    "descartados=0 repetidos=0 idade_do_quadro=0us ts_do_host=0",
    "quadro 300 entregue (origem=cano) — cano: conectado=true recebidos=297 entregues=300 "
    "descartados=1 repetidos=3 idade_do_quadro=1203us ts_do_host=8731223344",
    "cano indisponível (O sistema não pode encontrar o arquivo especificado. (os error 2)); "
    "entregando padrão de bancada",
    "cano caiu; voltando a esperar",
    "cabeçalho fora do contrato (magico=4E435631 1920x1080 3110400B); fechando o cano em vez "
    "de tentar adivinhar",
    "SetStreamState(2) -> rodando=true",
    "SetD3DManager (ignorado — entregamos buffer de sistema)",
    "DllRegisterServer: C:\\Program Files\\Norva\\Camera\\norva_camera_fonte.dll",
    "DllRegisterServer: ok",
    "DllUnregisterServer -> WIN32_ERROR(5)",
    "CreateInstance: falhou ao criar a fonte: Acesso negado. (0x80070005)",
    "Start: falhou 0xC00D36B2",
    "registrar: GetModuleFileNameW não devolveu caminho; NÃO registrando InprocServer32",
    "consumidor \\\\servidor\\share\\obs64.exe ligado de 192.168.0.10:5000",
    "resumo do quadro 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",
    "convite norva://convite/123 aberto em [fe80::1%12]:443",
};

std::size_t bytes_das_mensagens() {
  std::size_t total = 0;
  for (const std::string_view m : MENSAGENS) total += m.size();
  return total;
}

void repetir(std::string& texto, std::string_view pedaco, std::size_t vezes) {
  for (std::size_t i = 0; i < vezes; ++i) texto += pedaco;
}

// One message of about 1 MB. It never holds a free value of a sensitive key,
// which would end the scan at once: every hidden value is closed, so stage 1
// keeps scanning, and stage 2 sees every word.
std::string texto_adversario() {
  constexpr std::size_t PROFUNDIDADE = 2000;
  constexpr std::size_t LONGO = 20000;
  std::string t;
  while (t.size() < TAMANHO_DO_ADVERSARIO) {
    t += "camera=";  // a deep, balanced group as a value
    repetir(t, "([{", PROFUNDIDADE);
    repetir(t, "}])", PROFUNDIDADE);
    t += " nome=\"";  // a long quoted value full of escapes and brackets
    repetir(t, "a\\\"(]\\\\ ", LONGO / 8);
    t += "\" ";
    repetir(t, "(((]]]{{{ ", LONGO / 10);  // mismatched brackets outside any value
    repetir(t, "f", LONGO);                 // a long hex word with a period: no digest
    t += ". ";
    repetir(t, "1.2.", LONGO / 4);          // a long dotted word: no address
    t += " ";
    repetir(t, "12:", LONGO / 3);           // a long colon word: no IPv6
    t += " ";
    repetir(t, "1.2.3.256 01.2.3.4 1:2:3:4:5:6:7 [fe80::1%eth0]:99999 ::1::2 1.2.3.4:65536 ",
             LONGO / 80);                   // near-addresses
    repetir(t, "label nome cano senha pin - ", LONGO / 28);  // keys without pairs
    t += "senha";
    repetir(t, " ", LONGO);                 // a key, a long blank run, no separator
    t += "x pin ";
    repetir(t, "1-2 ", LONGO / 4);          // a long pin value
    t += "ok norva:";
    repetir(t, "\\x", LONGO / 2);           // a long word that is a path only at its end
    t += ":\\ \n";
  }
  t += "camera=(";  // and finally one group that never closes
  repetir(t, "[(", PROFUNDIDADE);
  return t;
}

double g_realista_mb_s = 0;
double g_adversario_mb_s = 0;

// Processor time of this single-threaded process, so that other work on a
// shared machine does not skew the ratio.
double segundos_de_cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double mb_por_segundo(std::size_t bytes, std::int64_t iteracoes, double segundos) {
  return static_cast<double>(bytes) * static_cast<double>(iteracoes) / BYTES_POR_MB / segundos;
}

void BM_mensagens_realistas(benchmark::State& estado) {
  const std::size_t bytes = bytes_das_mensagens();
  const double inicio = segundos_de_cpu();
  for (auto _ : estado) {
    for (const std::string_view m : MENSAGENS) benchmark::DoNotOptimize(Higiene::higienizar(m));
  }
  g_realista_mb_s = mb_por_segundo(bytes, estado.iterations(), segundos_de_cpu() - inicio);
  estado.SetBytesProcessed(static_cast<std::int64_t>(bytes) * estado.iterations());
}

void BM_texto_adversario(benchmark::State& estado) {
  const std::string texto = texto_adversario();
  const double inicio = segundos_de_cpu();
  for (auto _ : estado) benchmark::DoNotOptimize(Higiene::higienizar(texto));
  g_adversario_mb_s = mb_por_segundo(texto.size(), estado.iterations(), segundos_de_cpu() - inicio);
  estado.SetBytesProcessed(static_cast<std::int64_t>(texto.size()) * estado.iterations());
}

void BM_razao(benchmark::State& estado) {
  for (auto _ : estado) benchmark::DoNotOptimize(g_realista_mb_s);
  estado.counters["realista_MB_s"] = g_realista_mb_s;
  estado.counters["adversario_MB_s"] = g_adversario_mb_s;
  // Cost per byte of the adversarial text over that of the realistic mix.
  estado.counters["razao_adversario_realista"] =
      g_adversario_mb_s > 0 ? g_realista_mb_s / g_adversario_mb_s : 0;
}

BENCHMARK(BM_mensagens_realistas)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_texto_adversario)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_razao)->Iterations(1);

}  // namespace
}  // namespace norva

BENCHMARK_MAIN();
