// Drawing one bench-pattern frame against the memory-bandwidth floor: a
// memset of the same 3,110,400 bytes, measured in the same run. The ratio is
// printed by the last benchmark as the counter "razao_desenho_memset".
#include <benchmark/benchmark.h>

#include <cstring>

#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva {
namespace {

double g_memset_ns = 0;
double g_desenho_ns = 0;

std::span<std::uint8_t, TAMANHO_DO_QUADRO> como_quadro(DadosDoQuadro& q) {
  return std::span<std::uint8_t, TAMANHO_DO_QUADRO>(q.get(), TAMANHO_DO_QUADRO);
}

double ns_por_iteracao(const benchmark::State& estado, double segundos) {
  return segundos * 1e9 / static_cast<double>(estado.iterations());
}

void BM_memset(benchmark::State& estado) {
  DadosDoQuadro q = novo_quadro();
  std::uint8_t valor = 0;
  const auto inicio = Relogio::now();
  for (auto _ : estado) {
    std::memset(q.get(), ++valor, TAMANHO_DO_QUADRO);
    benchmark::ClobberMemory();
  }
  g_memset_ns = ns_por_iteracao(estado, std::chrono::duration<double>(Relogio::now() - inicio).count());
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations() * TAMANHO_DO_QUADRO));
}

// Into one buffer reused across iterations, like memset above.
void BM_desenhar_em(benchmark::State& estado) {
  DadosDoQuadro q = novo_quadro();
  std::uint64_t n = 0;
  const auto inicio = Relogio::now();
  for (auto _ : estado) {
    PadraoDeBancada::desenhar_em(n++, como_quadro(q));
    benchmark::ClobberMemory();
  }
  g_desenho_ns = ns_por_iteracao(estado, std::chrono::duration<double>(Relogio::now() - inicio).count());
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations() * TAMANHO_DO_QUADRO));
}

// As the frame path calls it: a freshly allocated buffer each time.
void BM_desenhar_novo(benchmark::State& estado) {
  std::uint64_t n = 0;
  for (auto _ : estado) {
    DadosDoQuadro q = PadraoDeBancada::desenhar(n++);
    benchmark::DoNotOptimize(q.get());
  }
}

void BM_razao(benchmark::State& estado) {
  for (auto _ : estado) benchmark::DoNotOptimize(g_memset_ns);
  estado.counters["memset_us"] = g_memset_ns / 1e3;
  estado.counters["desenho_us"] = g_desenho_ns / 1e3;
  estado.counters["razao_desenho_memset"] = g_memset_ns > 0 ? g_desenho_ns / g_memset_ns : 0;
}

BENCHMARK(BM_memset)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_desenhar_em)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_desenhar_novo)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_razao)->Iterations(1);

}  // namespace
}  // namespace norva

BENCHMARK_MAIN();
