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

// Precondition: pos < texto.size().
Caractere decodificar(std::string_view texto, std::size_t pos) noexcept;

// Byte offset of the first byte that does not belong to a well-formed UTF-8
// sequence, or SEM_ERRO when the whole text is valid UTF-8.
std::size_t primeiro_byte_invalido(std::string_view texto) noexcept;

}  // namespace norva::higiene
