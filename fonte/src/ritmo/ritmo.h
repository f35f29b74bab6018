// Ritmo: the pacer that spaces runs of bench-pattern frames at the stream's
// rate. It keeps an absolute schedule (a start instant plus whole periods), so
// rounding and sleeping jitter do not accumulate; a caller late by up to one
// second catches up without waiting, a later one restarts the schedule.
//
// Not synchronised: its owner keeps it behind a mutex held only for one call
// (including the clock read that gives `agora`), never while sleeping.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

namespace norva {

inline constexpr std::uint32_t QUADROS_POR_SEGUNDO = 30;
inline constexpr std::chrono::nanoseconds LIMITE_DE_ATRASO = std::chrono::seconds{1};

class Ritmo {
 public:
  using Instante = std::chrono::steady_clock::time_point;
  using Duracao = std::chrono::nanoseconds;

  // One second divided by the rate, truncated to whole nanoseconds
  // (33,333,333 ns at 30); a rate of 0 counts as 1.
  static constexpr Duracao periodo(std::uint32_t quadros_por_segundo) {
    return Duracao{std::chrono::seconds{1}} / std::max<std::uint32_t>(quadros_por_segundo, 1);
  }

  // Advances the schedule by one frame and returns how long the caller must
  // wait before delivering it (zero: at once). Never more than one period.
  Duracao proxima_espera(Instante agora, std::uint32_t quadros_por_segundo);

  // Forgets the run: the next call starts a new one at its `agora`.
  void reiniciar();

  std::uint64_t contador() const { return contador_; }
  std::optional<Instante> inicio() const { return inicio_; }

 private:
  std::uint64_t contador_ = 0;      // frames scheduled in the current run
  std::optional<Instante> inicio_;  // when the current run began
};

}  // namespace norva
