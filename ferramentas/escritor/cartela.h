// The reference writer's generated picture: colour bars, a box that moves
// across them, and the frame number drawn large in seven-segment digits, so
// that a viewer can tell new frames from repeats and count skipped ones.
#pragma once

#include <cstdint>
#include <span>

#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

struct Cartela {
  static constexpr std::uint32_t DIGITOS = 8;            // frame number modulo 10^8
  static constexpr std::uint32_t LARGURA_DO_DIGITO = 96;  // pixels, segments included
  static constexpr std::uint32_t ALTURA_DO_DIGITO = 176;
  static constexpr std::uint32_t ESPESSURA = 16;          // of one segment
  static constexpr std::uint32_t INTERVALO = 32;          // between digits
  static constexpr std::uint32_t X_DOS_DIGITOS = 80;
  static constexpr std::uint32_t Y_DOS_DIGITOS = 96;
  static constexpr std::uint32_t LADO_DA_CAIXA = 160;
  static constexpr std::uint32_t PASSO_DA_CAIXA = 12;     // pixels per frame

  // Draws frame n over every byte of `quadro`.
  static void desenhar(std::uint64_t n, std::span<std::uint8_t, TAMANHO_DO_QUADRO> quadro);

  // Which of the seven segments (bit 0 a, top, clockwise to f; bit 6 g,
  // middle) a digit lights.
  static std::uint8_t segmentos(std::uint32_t digito);

  // Reads the number back from a frame drawn by `desenhar` (tests, probes).
  static std::uint64_t ler_numero(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro);
};

}  // namespace norva::ferramentas
