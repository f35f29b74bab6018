// The character classes against the Unicode Character Database, and strict
// UTF-8 decoding; whole messages that hinge on them are in higiene_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/classes.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva::higiene {
namespace {

TEST(ClasseUnicode, ComoNoBancoDeDadosUnicode) {
  constexpr auto A = ClasseUnicode::Alfanumerica;
  constexpr auto E = ClasseUnicode::EspacoBranco;
  constexpr auto O = ClasseUnicode::Outra;
  const struct {
    char32_t ponto;
    ClasseUnicode classe;
  } casos[] = {
      {U'q', A}, {U'7', A}, {U'-', O}, {0x01, O}, {0x7F, O}, {0x09, E}, {0x0D, E}, {0x1F, O},
      {0x85, E}, {0xA0, E},
      {0xAA, A},     // Lo
      {0xB7, O},     // Po
      {0xD7, O},     // Sm
      {0x0301, O},   // Mn, not Alphabetic
      {0x093E, A},   // Mc, Other_Alphabetic
      {0x0663, A},   // Nd
      {0x1680, E}, {0x2000, E}, {0x200A, E}, {0x200B, O}, {0x2028, E}, {0x2029, E}, {0x202F, E},
      {0x205F, E}, {0x3000, E}, {0x9FFF, A}, {0xAC00, A}, {0xFEFF, O}, {0x1F600, O}, {0x1D7CE, A},
      {0x31350, A},  // new in Unicode 15.0
      {0x10FFFF, O}, {CARACTERE_INVALIDO, O},
  };
  for (const auto& c : casos) EXPECT_EQ(classe_unicode(c.ponto), c.classe) << std::hex << std::uint32_t{c.ponto};
}

TEST(DecodificarUtf8, PrimeiroCaractereEPrimeiroErro) {
  constexpr char32_t X = CARACTERE_INVALIDO;
  const struct {
    std::string_view bytes;
    char32_t ponto;  // of the character at offset 0
    std::size_t tamanho;
    std::size_t primeiro_invalido;
  } casos[] = {
      {"a", U'a', 1, SEM_ERRO}, {std::string_view("\0", 1), 0, 1, SEM_ERRO}, {"\xC3\xA7", 0xE7, 2, SEM_ERRO},
      {"\xE2\x80\xA8", 0x2028, 3, SEM_ERRO}, {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4, SEM_ERRO},
      {"\x80" "a", X, 1, 0}, {"\xF5\x80\x80\x80", X, 1, 0},
      {"\xC0\xAF", X, 1, 0}, {"\xE0\x80\xAF", X, 1, 0}, {"\xF0\x80\x80\xAF", X, 1, 0},  // overlong
      {"\xED\xA0\x80", X, 1, 0},                                                        // surrogate
      {"\xF4\x90\x80\x80", X, 1, 0},                                                   // past U+10FFFF
      {"\xE2\x82", X, 1, 0}, {"\xE2\x82" "a", X, 1, 0},                                 // cut short
      {"ab\xC3\xA7\xC3", U'a', 1, 4},
  };
  for (const auto& c : casos) {
    const std::string bytes(c.bytes);  // exactly these bytes, for AddressSanitizer
    const Caractere caractere = decodificar(bytes, 0);
    EXPECT_EQ(caractere.ponto, c.ponto) << testing::PrintToString(bytes);
    EXPECT_EQ(caractere.tamanho, c.tamanho) << testing::PrintToString(bytes);
    EXPECT_EQ(primeiro_byte_invalido(bytes), c.primeiro_invalido) << testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace norva::higiene
