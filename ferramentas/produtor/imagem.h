// A caller's frame as the library receives it, and the checks it must pass
// before a single byte of it is used. Platform-neutral.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

#include "ferramentas/produtor/falha.h"
#include "fonte/src/quadros/geometria.h"

namespace norva::produtor {

// Longest row the library accepts, in bytes: far beyond any real padding,
// small enough that no size computation can overflow.
inline constexpr std::uint32_t MAIOR_PASSO = 1u << 20;

struct Imagem {
  int formato = 0;  // a norva_escritor_formato
  const void* pixels = nullptr;
  std::size_t tamanho = 0;  // bytes readable at pixels
  std::uint32_t largura = 0;
  std::uint32_t altura = 0;
  std::uint32_t passo = 0;  // 0: rows packed tight
};

// Bytes of one packed row of the format at the camera's width (the Y row for
// the planar ones); 0 for an unknown format.
std::uint32_t passo_minimo(int formato);

// The format's name as the C header spells it, without the prefix.
const char* nome_do_formato(int formato);

// Checks pointer, size, format, stride and byte count, in that order; on
// success the stride to use (never 0). The message says what was wrong and
// what was expected.
std::expected<std::uint32_t, Falha> validar(const Imagem& imagem);

// Converts a validated image (with the stride validar gave) to NV12.
void converter_para_nv12(const Imagem& imagem, std::uint32_t passo,
                         std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12);

}  // namespace norva::produtor
