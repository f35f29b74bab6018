// What the probe reports about a run of delivered samples: the delivery
// rate, and how far the intervals between deliveries stray from one frame
// period of the camera.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "fonte/src/ritmo/ritmo.h"

namespace norva::ferramentas {

// The camera's frame period, in milliseconds for the report.
inline constexpr std::chrono::duration<double, std::milli> PERIODO_ESPERADO = PERIODO_DO_QUADRO;

struct Estatisticas {
  std::size_t intervalos = 0;
  double quadros_por_segundo = 0;    // intervals / time from the first to the last delivery
  double intervalo_p50_ms = 0;       // the intervals themselves
  double intervalo_p99_ms = 0;
  double desvio_p50_ms = 0;          // |interval - PERIODO_ESPERADO|
  double desvio_p99_ms = 0;
};

// From the delivery instants, in order. Fewer than two instants give zeros.
// Percentiles take the nearest rank: the smallest value with at least p% of
// the values at or below it.
Estatisticas calcular_estatisticas(std::span<const std::chrono::steady_clock::time_point> entregas);

// The nearest-rank p-th percentile (0 < p <= 100) of `valores` (sorted here).
double percentil(std::vector<double> valores, double p);

}  // namespace norva::ferramentas
