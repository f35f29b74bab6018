// Ritmo: the pacer that spaces runs of bench-pattern frames at the stream's
// rate. It keeps an absolute schedule (a start instant plus whole periods), so
// rounding and sleeping jitter do not accumulate; a caller late by up to one
// second catches up without waiting, a later one restarts the schedule.
//
// Not synchronised: its owner keeps it behind a mutex held only for one call
// (including the clock read that gives `agora`), never while sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ratio>

namespace norva {

inline constexpr std::uint32_t QUADROS_POR_SEGUNDO = 30;
// The frame period, exactly: every other unit is derived from it, truncated
// (33,333,333 ns for the pacer, 333,333 x 100 ns for the samples).
inline constexpr std::chrono::duration<std::int64_t, std::ratio<1, QUADROS_POR_SEGUNDO>> PERIODO_DO_QUADRO{1};
inline constexpr std::chrono::nanoseconds LIMITE_DE_ATRASO = std::chrono::seconds{1};

class Ritmo {
 public:
  using Instante = std::chrono::steady_clock::time_point;
  using Duracao = std::chrono::nanoseconds;

  // The period in whole nanoseconds.
  static constexpr Duracao PASSO = std::chrono::duration_cast<Duracao>(PERIODO_DO_QUADRO);

  // Advances the schedule by one frame and returns how long the caller must
  // wait before delivering it (zero: at once). Never more than one period.
  Duracao proxima_espera(Instante agora);

  // Forgets the run: the next call starts a new one at its `agora`.
  void reiniciar();

  std::uint64_t contador() const { return contador_; }
  std::optional<Instante> inicio() const { return inicio_; }

 private:
  std::uint64_t contador_ = 0;      // frames scheduled in the current run
  std::optional<Instante> inicio_;  // when the current run began
};

}  // namespace norva
