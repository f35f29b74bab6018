// The stream's statistics line, written for the first sample and for every
// INTERVALO_DO_REGISTRO-th one, with the frame supply's counters.
#pragma once

#include <cstdint>
#include <string>

#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/geometria.h"

namespace norva {

inline constexpr std::uint64_t INTERVALO_DO_REGISTRO = 300;

// Whether sample number `n` (the first is 1) gets the statistics line.
constexpr bool registra_a_amostra(std::uint64_t n) {
  return n == 1 || (n != 0 && n % INTERVALO_DO_REGISTRO == 0);
}

std::string linha_do_quadro(std::uint64_t n, Origem origem, const ContadoresDoCano& contadores);

}  // namespace norva
