// The one frame geometry of the camera (NV12, 1920x1080, tightly packed) and
// how a frame is handed to the stream.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace norva {

// Width in pixels; also the stride of both planes in bytes.
inline constexpr std::uint32_t LARGURA = 1920;
inline constexpr std::uint32_t ALTURA = 1080;
// Y plane (ALTURA rows of LARGURA bytes), then the interleaved UV plane
// (ALTURA / 2 rows of LARGURA bytes, U first). No padding, no header.
inline constexpr std::size_t TAMANHO_DO_PLANO_Y = std::size_t{LARGURA} * ALTURA;
inline constexpr std::size_t TAMANHO_DO_QUADRO = TAMANHO_DO_PLANO_Y * 3 / 2;
static_assert(TAMANHO_DO_QUADRO == 3110400);

// An owned frame buffer. Every frame buffer in the system holds exactly
// TAMANHO_DO_QUADRO bytes; the size is therefore not carried with it.
using DadosDoQuadro = std::unique_ptr<std::uint8_t[]>;

// Where a frame is written: exactly one frame's bytes.
using DestinoDoQuadro = std::span<std::uint8_t, TAMANHO_DO_QUADRO>;

// A new, uninitialised frame buffer (the callers overwrite every byte).
// Throws std::bad_alloc when memory is exhausted.
inline DadosDoQuadro novo_quadro() { return std::make_unique_for_overwrite<std::uint8_t[]>(TAMANHO_DO_QUADRO); }

using Relogio = std::chrono::steady_clock;

enum class Origem : std::uint8_t { Padrao = 0, Cano = 1 };

// How an origin is printed in log lines.
constexpr std::string_view nome_da_origem(Origem origem) {
  return origem == Origem::Cano ? "cano" : "padrão";
}

// A frame in a buffer of its own, with its origin (tests and tools).
struct QuadroEntregue {
  DadosDoQuadro dados;
  Origem origem = Origem::Padrao;
};

}  // namespace norva
