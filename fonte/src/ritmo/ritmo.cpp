#include "fonte/src/ritmo/ritmo.h"

#include <algorithm>
#include <limits>

namespace norva {

Ritmo::Duracao Ritmo::proxima_espera(Instante agora) {
  if (!inicio_) inicio_ = agora;

  // The count is capped before it multiplies the period, so the product
  // (at most 2^32 periods, about four and a half years) always fits in
  // 64-bit nanoseconds.
  const auto n = static_cast<Duracao::rep>(
      std::min<std::uint64_t>(contador_, std::numeric_limits<std::uint32_t>::max()));
  const Instante alvo = *inicio_ + PASSO * n;
  const Duracao atraso = agora > alvo ? agora - alvo : Duracao::zero();

  if (atraso > LIMITE_DE_ATRASO) {
    // Too late to catch up: restart the schedule at this frame.
    inicio_ = agora;
    contador_ = 1;
    return Duracao::zero();
  }
  ++contador_;
  const Duracao espera = alvo > agora ? alvo - agora : Duracao::zero();
  return std::min(espera, PASSO);
}

void Ritmo::reiniciar() {
  inicio_.reset();
  contador_ = 0;
}

}  // namespace norva
