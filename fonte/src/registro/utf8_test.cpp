// The DLL's one UTF-8/UTF-16 conversion: the registry's values, the log's
// system texts and the camera's friendly name all go through it.
#include "fonte/src/registro/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace norva {
namespace {

using namespace std::string_view_literals;

// Well-formed text both ways is checked exhaustively at the end, and which
// lead bytes start which sequences with the sanitiser's decoder, whose table
// this conversion shares.
//
// UTF-8 to UTF-16: each maximal ill-formed subpart becomes one U+FFFD, as
// the platform's own converter does, so nothing is dropped silently.
TEST(Utf16DeUtf8, ConverteEMarcaCadaSequenciaMalFormada) {
  const struct {
    std::string_view entrada;
    std::u16string esperado;
  } casos[] = {
      {"a\x80z"sv, u"a\uFFFDz"},
      {"\xED\xA0\x80"sv, u"\uFFFD\uFFFD\uFFFD"},  // second byte outside the lead's range: above
      {"\xE0\x80\xAF"sv, u"\uFFFD\uFFFD\uFFFD"},  // and below
      {"ab\xE2\x82"sv, u"ab\uFFFD"},
      {"\xE2\x82z"sv, u"\uFFFDz"},
  };
  for (const auto& c : casos) EXPECT_EQ(utf16_de_utf8(c.entrada), c.esperado) << testing::PrintToString(c.entrada);
}

// UTF-16 to UTF-8: a lone surrogate becomes U+FFFD in the lenient form (log
// texts) and makes the text ill-formed for the strict check (friendly names).
TEST(Utf8DeUtf16, SubstitutosSemParViramFFFDENaoSaoBemFormados) {
  constexpr char16_t ALTO = 0xD83D;
  constexpr char16_t BAIXO = 0xDE00;
  const struct {
    std::u16string entrada;
    std::string esperado;
  } casos[] = {
      {{u'a', ALTO}, "a\xEF\xBF\xBD"},
      {{ALTO, u'A'}, "\xEF\xBF\xBD" "A"},
      {{BAIXO, u'b'}, "\xEF\xBF\xBD" "b"},
      {{ALTO, ALTO, BAIXO}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(utf8_de_utf16(c.entrada), c.esperado) << testing::PrintToString(c.entrada);
    EXPECT_FALSE(utf16_bem_formado(std::u16string_view(c.entrada))) << testing::PrintToString(c.entrada);
  }
}

// UTF-8 of one scalar value, written out by hand so that the converter is not
// checked against its own encoder.
std::string utf8_a_mao(char32_t p) {
  const auto b = [](char32_t v) { return static_cast<char>(v); };
  if (p < 0x80) return {b(p)};
  if (p < 0x800) return {b(0xC0 | (p >> 6)), b(0x80 | (p & 0x3F))};
  if (p < 0x10000) return {b(0xE0 | (p >> 12)), b(0x80 | ((p >> 6) & 0x3F)), b(0x80 | (p & 0x3F))};
  return {b(0xF0 | (p >> 18)), b(0x80 | ((p >> 12) & 0x3F)), b(0x80 | ((p >> 6) & 0x3F)), b(0x80 | (p & 0x3F))};
}

// Every scalar value survives UTF-8 -> UTF-16 -> UTF-8 and is well-formed
// UTF-16 (lone surrogates are the table's above).
TEST(Utf8Completo, TodoPontoValidoVoltaIgual) {
  for (char32_t ponto = 0; ponto <= 0x10FFFF; ++ponto) {
    if (ponto >= 0xD800 && ponto <= 0xDFFF) continue;
    const std::string utf8 = utf8_a_mao(ponto);
    const std::u16string utf16 = utf16_de_utf8(utf8);
    const char32_t volta = utf16.size() == 1 ? utf16[0]
                           : utf16.size() == 2 ? 0x10000 + ((char32_t{utf16[0]} - 0xD800) << 10) + (utf16[1] - 0xDC00)
                                               : 0;
    ASSERT_EQ(volta, ponto) << std::hex << static_cast<std::uint32_t>(ponto);
    ASSERT_EQ(utf8_de_utf16(utf16), utf8) << std::hex << static_cast<std::uint32_t>(ponto);
    ASSERT_TRUE(utf16_bem_formado(std::u16string_view(utf16))) << std::hex << static_cast<std::uint32_t>(ponto);
  }
}

}  // namespace
}  // namespace norva
