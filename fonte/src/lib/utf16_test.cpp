#include "fonte/src/lib/utf16.h"

#include <gtest/gtest.h>

#include <ostream>

namespace norva {
namespace {

struct CasoUtf16 {
  const char* nome;
  std::string_view entrada;
  std::u16string esperado;  // without the final NUL
};

void PrintTo(const CasoUtf16& caso, std::ostream* os) { *os << caso.nome; }

class ParaUtf16 : public ::testing::TestWithParam<CasoUtf16> {};

TEST_P(ParaUtf16, ConverteEAcrescentaUmNul) {
  const CasoUtf16& caso = GetParam();
  const std::u16string saida = para_utf16(caso.entrada);
  ASSERT_FALSE(saida.empty());
  EXPECT_EQ(saida.back(), u'\0') << "the last unit must be the NUL";
  EXPECT_EQ(saida.size(), caso.esperado.size() + 1) << "exactly one NUL is appended";
  EXPECT_EQ(saida.substr(0, saida.size() - 1), caso.esperado);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Casos, ParaUtf16,
    ::testing::Values(
        CasoUtf16{"vazio", ""sv, u""},
        CasoUtf16{"ascii", "Norva Virtual Camera Source"sv, u"Norva Virtual Camera Source"},
        CasoUtf16{"caminho", "C:\\Arquivos\\câmera\\norva_camera_fonte.dll"sv,
                  u"C:\\Arquivos\\c\u00E2mera\\norva_camera_fonte.dll"},
        CasoUtf16{"tres_bytes", "\xE2\x82\xAC"sv, u"\u20AC"},
        CasoUtf16{"quatro_bytes_vira_par", "\xF0\x9F\x8E\xA5"sv, u"\U0001F3A5"},
        CasoUtf16{"maior_ponto", "\xF4\x8F\xBF\xBF"sv, u"\U0010FFFF"},
        CasoUtf16{"nul_interno_preservado", "a\0b"sv, std::u16string(u"a\0b", 3)},
        CasoUtf16{"continuacao_solta", "a\x80z"sv, u"a\uFFFDz"},
        CasoUtf16{"forma_longa", "\xC0\xAF"sv, u"\uFFFD\uFFFD"},
        CasoUtf16{"surrogate_codificado", "\xED\xA0\x80"sv, u"\uFFFD\uFFFD\uFFFD"},
        CasoUtf16{"alem_de_10ffff", "\xF4\x90\x80\x80"sv, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        CasoUtf16{"sequencia_cortada_no_fim", "ab\xE2\x82"sv, u"ab\uFFFD"},
        CasoUtf16{"sequencia_cortada_no_meio", "\xE2\x82z"sv, u"\uFFFDz"},
        CasoUtf16{"byte_ff", "\xFF"sv, u"\uFFFD"}),
    [](const auto& info) { return std::string(info.param.nome); });

// Every well-formed scalar value survives the trip: encode it as UTF-8 by
// hand, convert, and decode the UTF-16 back.
TEST(ParaUtf16Completo, TodoPontoValidoVoltaIgual) {
  for (char32_t ponto = 1; ponto <= 0x10FFFF; ++ponto) {
    if (ponto >= 0xD800 && ponto <= 0xDFFF) continue;
    std::string utf8;
    if (ponto < 0x80) {
      utf8 += static_cast<char>(ponto);
    } else if (ponto < 0x800) {
      utf8 += static_cast<char>(0xC0 | (ponto >> 6));
      utf8 += static_cast<char>(0x80 | (ponto & 0x3F));
    } else if (ponto < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (ponto >> 12));
      utf8 += static_cast<char>(0x80 | ((ponto >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (ponto & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (ponto >> 18));
      utf8 += static_cast<char>(0x80 | ((ponto >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((ponto >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (ponto & 0x3F));
    }
    const std::u16string saida = para_utf16(utf8);
    char32_t volta = 0;
    if (saida.size() == 2) {
      volta = saida[0];
    } else if (saida.size() == 3) {
      volta = 0x10000 + ((static_cast<char32_t>(saida[0]) - 0xD800) << 10) + (saida[1] - 0xDC00);
    }
    ASSERT_EQ(volta, ponto) << "U+" << std::hex << static_cast<std::uint32_t>(ponto);
  }
}

}  // namespace
}  // namespace norva
