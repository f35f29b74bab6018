// The bench pattern ("padrão de bancada"): the synthetic test picture the
// camera delivers whenever no frame from the desktop application is at hand.
// A pure function of n, the count of pattern frames drawn so far: a diagonal
// grey ramp with a grid every 128 pixels, a white bar sliding 8 pixels per
// frame, and one chroma pair that turns slowly round the colour circle.
#pragma once

#include <cstdint>
#include <span>

#include "fonte/src/quadros/geometria.h"

namespace norva {

struct PadraoDeBancada {
  // Luma limits of the picture: the ramp stays in [16, 234], only the bar
  // and the brightened grid reach the top.
  static constexpr std::uint8_t LUMA_DO_BRANCO = 235;
  static constexpr std::uint8_t REFORCO_DA_GRADE = 60;
  static constexpr std::uint32_t LARGURA_DA_BARRA = 60;
  static constexpr std::uint32_t PASSO_DA_BARRA = 8;  // pixels per pattern frame
  static constexpr std::uint32_t PASSO_DA_GRADE = 128;

  // A new frame buffer holding pattern frame n. The same n always gives the
  // same bytes.
  static DadosDoQuadro desenhar(std::uint64_t n);

  // Draws pattern frame n over every byte of `destino`, whatever it held.
  static void desenhar_em(std::uint64_t n, std::span<std::uint8_t, TAMANHO_DO_QUADRO> destino);

  // The one (U, V) pair of frame n.
  struct Croma {
    std::uint8_t u;
    std::uint8_t v;
  };
  static Croma croma(std::uint64_t n);

  // First column of the bar in frame n; the bar is not wrapped, so it narrows
  // near the right edge.
  static constexpr std::uint32_t inicio_da_barra(std::uint64_t n) {
    return static_cast<std::uint32_t>((PASSO_DA_BARRA * n) % LARGURA);
  }
};

}  // namespace norva
