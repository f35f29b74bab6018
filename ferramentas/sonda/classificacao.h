// Tells a delivered frame's origin by its content alone: the bench pattern is
// a pure function of its frame number, so a frame is "padrão" exactly when it
// equals pattern frame n for some n; anything else came through the pipe.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

// Largest pattern number tried: about 9 hours of pattern at 30 fps.
inline constexpr std::uint64_t MAIOR_N_PROCURADO = 1'000'000;

class Classificador {
 public:
  Classificador();

  // The pattern number n whose frame equals `quadro` byte for byte, or
  // nothing when no n up to MAIOR_N_PROCURADO does. The bar position and the
  // chroma pair narrow the candidates, so only a few frames are drawn.
  std::optional<std::uint64_t> numero_do_padrao(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro);

 private:
  DadosDoQuadro rascunho_;  // where candidates are drawn for comparison
};

}  // namespace norva::ferramentas
