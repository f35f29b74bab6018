// Decoding one UTF-8 character at a byte offset, strictly (no overlong forms,
// no surrogates, nothing above U+10FFFF), without ever reading past the end.
// A byte that does not start a well-formed sequence is one character on its
// own: CARACTERE_INVALIDO, one byte long. That value lies outside Unicode, so
// it belongs to no character class: the sanitiser copies such a byte
// unchanged and it ends any token or word it touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norva::higiene {

inline constexpr char32_t CARACTERE_INVALIDO = 0x110000;
inline constexpr std::size_t SEM_ERRO = static_cast<std::size_t>(-1);

struct Caractere {
  char32_t ponto;
  std::size_t tamanho;  // in bytes, 1 to 4
};

// The shape of a well-formed sequence that starts with lead byte `b`: its
// length, the bits the lead byte carries, and the allowed range of the second
// byte (which is what rules out overlong forms, surrogates and code points
// past U+10FFFF); every later byte is a continuation byte, 0x80 to 0xBF.
// Here so that the log writer's UTF-16 conversion reads UTF-8 by the same
// rules.
struct FormaDaSequencia {
  std::size_t tamanho;  // 0: the byte cannot start a sequence (ASCII included)
  std::uint8_t bits_do_primeiro;
  std::uint8_t segundo_min;
  std::uint8_t segundo_max;
};

constexpr FormaDaSequencia forma_da_sequencia(std::uint8_t b) noexcept {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x1F, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0x0F, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x0F, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x0F, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x07, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x07, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x07, 0x80, 0x8F};
  return {0, 0, 0, 0};
}

// Precondition: pos < texto.size().
Caractere decodificar(std::string_view texto, std::size_t pos) noexcept;

// Byte offset of the first byte that does not belong to a well-formed UTF-8
// sequence, or SEM_ERRO when the whole text is valid UTF-8.
std::size_t primeiro_byte_invalido(std::string_view texto) noexcept;

}  // namespace norva::higiene
