#include "ferramentas/sonda/estatisticas.h"

#include <algorithm>
#include <cmath>

namespace norva::ferramentas {
namespace {

constexpr double MEDIANA = 50;
constexpr double P99 = 99;
constexpr double CEM = 100;

}  // namespace

double percentil(std::vector<double> valores, double p) {
  if (valores.empty()) return 0;
  std::sort(valores.begin(), valores.end());
  const auto posicao = static_cast<std::size_t>(std::ceil(p / CEM * static_cast<double>(valores.size())));
  return valores[std::clamp<std::size_t>(posicao, 1, valores.size()) - 1];
}

Estatisticas calcular_estatisticas(std::span<const std::chrono::steady_clock::time_point> entregas) {
  Estatisticas e;
  if (entregas.size() < 2) return e;
  std::vector<double> intervalos;
  std::vector<double> desvios;
  for (std::size_t i = 1; i < entregas.size(); ++i) {
    const double ms = std::chrono::duration<double, std::milli>(entregas[i] - entregas[i - 1]).count();
    intervalos.push_back(ms);
    desvios.push_back(std::abs(ms - PERIODO_ESPERADO.count()));
  }
  const double total_s = std::chrono::duration<double>(entregas.back() - entregas.front()).count();
  e.intervalos = intervalos.size();
  e.quadros_por_segundo = total_s > 0 ? static_cast<double>(intervalos.size()) / total_s : 0;
  e.intervalo_p50_ms = percentil(intervalos, MEDIANA);
  e.intervalo_p99_ms = percentil(intervalos, P99);
  e.desvio_p50_ms = percentil(desvios, MEDIANA);
  e.desvio_p99_ms = percentil(desvios, P99);
  return e;
}

}  // namespace norva::ferramentas
