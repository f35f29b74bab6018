// The character classes of the sanitiser, on Unicode scalar values (see
// tabela_unicode.h for the Unicode version). CARACTERE_INVALIDO belongs to no
// class.
#pragma once

#include <cstdint>

namespace norva::higiene {

enum class ClasseUnicode : std::uint8_t { Outra, Alfanumerica, EspacoBranco };

// Alphabetic, or general category Nd, Nl or No; White_Space; or neither.
ClasseUnicode classe_unicode(char32_t ponto) noexcept;

inline bool e_alfanumerico(char32_t ponto) noexcept {
  return classe_unicode(ponto) == ClasseUnicode::Alfanumerica;
}

inline bool e_espaco_branco(char32_t ponto) noexcept {
  return classe_unicode(ponto) == ClasseUnicode::EspacoBranco;
}

// A key of a sensitive pair is made of these: alphanumerics, "-" and "_".
inline bool e_caractere_de_chave(char32_t ponto) noexcept {
  return ponto == U'-' || ponto == U'_' || e_alfanumerico(ponto);
}

// A word of the word rules is made of alphanumerics and ten ASCII marks.
inline bool e_caractere_de_palavra(char32_t ponto) noexcept {
  switch (ponto) {
    case U'%': case U'-': case U'.': case U'/': case U':':
    case U'@': case U'[': case U'\\': case U']': case U'_':
      return true;
    default:
      return e_alfanumerico(ponto);
  }
}

}  // namespace norva::higiene
