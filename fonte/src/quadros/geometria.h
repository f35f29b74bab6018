// The one frame geometry of the camera (NV12, 1920x1080, tightly packed) and
// the records in which frames travel from the pipe reader to the stream.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// Frees a frame buffer, or keeps it for the next novo_quadro: a fresh 3 MB
// block faults in every page on first touch (about 1 ms on Windows, far more
// under Wine), which would dominate the frame path.
struct DevolverQuadro {
  void operator()(std::uint8_t* dados) const noexcept;
};

// An owned frame buffer. Every frame buffer in the system holds exactly
// TAMANHO_DO_QUADRO bytes; the size is therefore not carried with it.
using DadosDoQuadro = std::unique_ptr<std::uint8_t[], DevolverQuadro>;

// An uninitialised frame buffer (the callers overwrite every byte): one kept
// from an earlier frame when there is one, otherwise a new allocation.
// Throws std::bad_alloc when memory is exhausted.
DadosDoQuadro novo_quadro();

using Relogio = std::chrono::steady_clock;

// A frame received from the pipe, kept by the reader until the stream takes it.
struct Quadro {
  DadosDoQuadro dados;
  Relogio::time_point chegada;   // when the reader stored it
  std::uint64_t ts_do_host = 0;  // the writer's timestamp, carried unchanged
};

enum class Origem : std::uint8_t { Padrao = 0, Cano = 1 };

// How an origin is printed in log lines.
constexpr std::string_view nome_da_origem(Origem origem) {
  return origem == Origem::Cano ? "cano" : "padrão";
}

// What one sample request receives: a buffer its caller now owns.
struct QuadroEntregue {
  DadosDoQuadro dados;
  Origem origem = Origem::Padrao;
};

}  // namespace norva
