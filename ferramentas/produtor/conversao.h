// Conversion of the caller's pixels to NV12, BT.601 limited range (the range
// the camera's media type declares). Platform-neutral.
//
// RGB: Y = (66 R + 129 G + 25 B + 4224) >> 8, and for each 2x2 block, from
// the block's rounded mean R, G, B: U = (112 B - 74 G - 38 R + 32896) >> 8,
// V = (112 R - 94 G - 18 B + 32896) >> 8 (the usual 8-bit fixed-point
// BT.601 coefficients, rounding included in the constants).
// YUY2: the chroma of two rows averaged, rounded up. I420: interleaved.
#pragma once

#include <cstdint>
#include <span>

#include "fonte/src/quadros/geometria.h"

namespace norva::produtor {

// Any format but NV12, from rows `passo` bytes apart (already validated).
// Uses SIMD where the machine has it; equal, byte for byte, to the reference.
void converter_de_outro_formato(int formato, const std::uint8_t* origem, std::uint32_t passo,
                                std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12);

// The plain scalar conversion the fast one must match (tests, benchmarks).
void converter_referencia(int formato, const std::uint8_t* origem, std::uint32_t passo,
                          std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12);

}  // namespace norva::produtor
