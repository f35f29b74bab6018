// Drawing one bench-pattern frame against the memory-bandwidth floor: a
// memset of the same 3,110,400 bytes, measured in the same run. The last
// benchmark alternates the two, one of each per round, and reports the
// median of each and their ratio ("razao_desenho_memset"): alternating keeps
// the ratio steady on a shared, noisy machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva {
namespace {

std::span<std::uint8_t, TAMANHO_DO_QUADRO> como_quadro(DadosDoQuadro& q) {
  return std::span<std::uint8_t, TAMANHO_DO_QUADRO>(q.get(), TAMANHO_DO_QUADRO);
}

void BM_memset(benchmark::State& estado) {
  DadosDoQuadro q = novo_quadro();
  std::uint8_t valor = 0;
  for (auto _ : estado) {
    std::memset(q.get(), ++valor, TAMANHO_DO_QUADRO);
    benchmark::ClobberMemory();
  }
  estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations() * TAMANHO_DO_QUADRO));
}

// Into one buffer reused across iterations, like memset above.
void BM_desenhar_em(benchmark::State& estado) {
  DadosDoQuadro q = novo_quadro();
  std::uint64_t n = 0;
  for (auto _ : estado) {
    PadraoDeBancada::desenhar_em(n++, como_quadro(q));
    benchmark::ClobberMemory();
  }
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

double mediana_us(std::vector<double>& v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

void BM_razao(benchmark::State& estado) {
  constexpr int RODADAS = 2000;
  DadosDoQuadro q = novo_quadro();
  std::vector<double> memset_us, desenho_us;
  for (auto _ : estado) {
    memset_us.clear();
    desenho_us.clear();
    for (int i = 0; i < RODADAS; ++i) {
      const auto t0 = Relogio::now();
      std::memset(q.get(), i & 0xFF, TAMANHO_DO_QUADRO);
      benchmark::ClobberMemory();
      const auto t1 = Relogio::now();
      PadraoDeBancada::desenhar_em(static_cast<std::uint64_t>(i), como_quadro(q));
      benchmark::ClobberMemory();
      const auto t2 = Relogio::now();
      memset_us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
      desenho_us.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
    }
  }
  const double m = mediana_us(memset_us);
  const double d = mediana_us(desenho_us);
  estado.counters["memset_us"] = m;
  estado.counters["desenho_us"] = d;
  estado.counters["razao_desenho_memset"] = d / m;
}

BENCHMARK(BM_memset)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_desenhar_em)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_desenhar_novo)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_razao)->Iterations(1);

}  // namespace
}  // namespace norva

BENCHMARK_MAIN();
