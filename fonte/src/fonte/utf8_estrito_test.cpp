// Strict conversion of the friendly name: every valid text round-trips to the
// expected UTF-8, every lone surrogate makes it absent.
#include "fonte/src/fonte/utf8_estrito.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace norva {
namespace {

struct Caso {
  const char* nome;
  std::u16string entrada;
  std::optional<std::string> saida;
};
void PrintTo(const Caso& caso, std::ostream* os) { *os << caso.nome; }

class Utf8Estrito : public ::testing::TestWithParam<Caso> {};

TEST_P(Utf8Estrito, ConvertsOrRefuses) {
  EXPECT_EQ(utf8_estrito(GetParam().entrada), GetParam().saida);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, Utf8Estrito,
    ::testing::Values(
        Caso{"Empty", u"", std::string()}, Caso{"Ascii", u"Camera 1", std::string("Camera 1")},
        Caso{"TwoByte", u"C\u00e2mera", std::string("C\xC3\xA2mera")},
        Caso{"ThreeByte", u"\u20ac", std::string("\xE2\x82\xAC")},
        Caso{"Pair", u"\U0001F3A5", std::string("\xF0\x9F\x8E\xA5")},
        Caso{"LoneHighAtEnd", std::u16string(u"a") + char16_t{0xD83C}, std::nullopt},
        Caso{"LoneHighInside", std::u16string{u'a', char16_t{0xD83C}, u'b'}, std::nullopt},
        Caso{"LoneLow", std::u16string{char16_t{0xDFA5}, u'a'}, std::nullopt},
        Caso{"SwappedPair", std::u16string{char16_t{0xDFA5}, char16_t{0xD83C}}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(Utf8EstritoExaustivo, EveryUnitAloneAndEveryPairOfSurrogates) {
  for (char32_t u = 0; u <= 0xFFFF; ++u) {
    const std::u16string um(1, static_cast<char16_t>(u));
    const bool substituto = u >= 0xD800 && u < 0xE000;
    EXPECT_EQ(utf8_estrito(um).has_value(), !substituto) << std::hex << static_cast<std::uint32_t>(u);
  }
  for (char32_t alto = 0xD800; alto < 0xDC00; alto += 0x3F) {
    for (char32_t baixo = 0xDC00; baixo < 0xE000; baixo += 0x3F) {
      const auto r = utf8_estrito(std::u16string{static_cast<char16_t>(alto), static_cast<char16_t>(baixo)});
      ASSERT_TRUE(r.has_value());
      const char32_t ponto = 0x10000 + ((alto - 0xD800) << 10) + (baixo - 0xDC00);
      std::u32string volta;
      // Decode the 4-byte form back.
      ASSERT_EQ(r->size(), 4u);
      const auto b = [&](int i) { return static_cast<unsigned char>((*r)[i]); };
      volta += static_cast<char32_t>(((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F));
      EXPECT_EQ(static_cast<std::uint32_t>(volta[0]), static_cast<std::uint32_t>(ponto));
    }
  }
}

}  // namespace
}  // namespace norva
