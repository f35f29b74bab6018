// The one place that converts between UTF-8 and UTF-16, both ways, with the
// platform's own rules for bad input: an unpaired surrogate, or an ill-formed
// UTF-8 sequence (its longest valid prefix), becomes one U+FFFD. Platform-
// neutral, so it is tested natively as well as under Wine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norva {

inline constexpr char32_t CARACTERE_DE_SUBSTITUICAO = U'\uFFFD';

namespace detalhe {

inline constexpr char32_t INICIO_DO_ALTO = 0xD800;
inline constexpr char32_t INICIO_DO_BAIXO = 0xDC00;
inline constexpr char32_t FIM_DOS_SUBSTITUTOS = 0xE000;
inline constexpr char32_t INICIO_DOS_SUPLEMENTARES = 0x10000;
inline constexpr unsigned BITS_POR_METADE = 10;

void acrescentar_utf8(std::string& saida, char32_t ponto);

}  // namespace detalhe

// `C` is any 16-bit code unit type (char16_t everywhere, wchar_t on Windows).
template <class C>
std::string utf8_de_utf16(std::basic_string_view<C> texto) {
  static_assert(sizeof(C) == 2, "UTF-16 code units");
  using namespace detalhe;
  std::string saida;
  saida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const char32_t u = static_cast<std::uint16_t>(texto[i]);
    if (u < INICIO_DO_ALTO || u >= FIM_DOS_SUBSTITUTOS) {
      acrescentar_utf8(saida, u);
      continue;
    }
    const bool alto = u < INICIO_DO_BAIXO;
    const char32_t seguinte = i + 1 < texto.size() ? static_cast<std::uint16_t>(texto[i + 1]) : 0;
    if (alto && seguinte >= INICIO_DO_BAIXO && seguinte < FIM_DOS_SUBSTITUTOS) {
      acrescentar_utf8(saida, INICIO_DOS_SUPLEMENTARES + ((u - INICIO_DO_ALTO) << BITS_POR_METADE) +
                                  (seguinte - INICIO_DO_BAIXO));
      ++i;
    } else {
      acrescentar_utf8(saida, CARACTERE_DE_SUBSTITUICAO);
    }
  }
  return saida;
}

inline std::string utf8_de_utf16(std::u16string_view texto) { return utf8_de_utf16<char16_t>(texto); }

// True when every surrogate of `texto` is part of a pair.
template <class C>
bool utf16_bem_formado(std::basic_string_view<C> texto) {
  static_assert(sizeof(C) == 2, "UTF-16 code units");
  using namespace detalhe;
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const char32_t u = static_cast<std::uint16_t>(texto[i]);
    if (u < INICIO_DO_ALTO || u >= FIM_DOS_SUBSTITUTOS) continue;
    if (u >= INICIO_DO_BAIXO || i + 1 == texto.size()) return false;
    const char32_t seguinte = static_cast<std::uint16_t>(texto[i + 1]);
    if (seguinte < INICIO_DO_BAIXO || seguinte >= FIM_DOS_SUBSTITUTOS) return false;
    ++i;
  }
  return true;
}

// UTF-8 to UTF-16, without a terminating NUL.
std::u16string utf16_de_utf8(std::string_view texto);

#ifdef _WIN32
// The same as the wide string the Windows API takes.
inline std::wstring largo_de_utf8(std::string_view texto) {
  const std::u16string u = utf16_de_utf8(texto);
  return std::wstring(u.begin(), u.end());
}
#endif

}  // namespace norva
