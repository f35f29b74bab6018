#include "fonte/src/registro/texto_de_erro.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace norva {
namespace {

TEST(HresultDeWin32, ComoAMacroDaPlataforma) {
  const struct {
    std::uint32_t codigo;
    std::uint32_t esperado;
  } casos[] = {
      {0, 0},                    // success stays success
      {5, 0x80070005},           // ERROR_ACCESS_DENIED
      {0x12345, 0x80072345},     // only the low 16 bits are kept
      {0x7FFFFFFF, 0x8007FFFF},  // largest positive
      {0x80004005, 0x80004005},  // already an HRESULT (negative): unchanged
  };
  for (const auto& c : casos) {
    EXPECT_EQ(static_cast<std::uint32_t>(hresult_de_win32(c.codigo)), c.esperado) << "code " << c.codigo;
  }
}

TEST(TextoDeCodigos, HexadecimalMaiusculoEDecimalSemSinal) {
  EXPECT_EQ(texto_do_hresult(0xABCDEF), "HRESULT(0x00ABCDEF)");
  EXPECT_EQ(texto_do_hresult(-1), "HRESULT(0xFFFFFFFF)");
  EXPECT_EQ(texto_do_win32_error(4294967295u), "WIN32_ERROR(4294967295)");
  const CamposDoGuid fonte{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
  EXPECT_EQ(texto_do_guid(fonte), "3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036");
  const CamposDoGuid com_zeros{0x1, 0x2, 0x3, {0, 0x4, 0, 0, 0, 0, 0, 0x5}};
  EXPECT_EQ(texto_do_guid(com_zeros), "00000001-0002-0003-0004-000000000005");
}

// The message without its trailing ASCII white space, then the code: as an
// HRESULT in hexadecimal, or in the operating system's "(os error N)" form.
TEST(TextoDoErro, MensagemAparadaECodigo) {
  const struct {
    std::string mensagem;
    std::uint32_t codigo;
    std::string como_hresult;  // texto_do_erro_com_mensagem
    std::string como_win32;    // texto_do_erro_do_sistema_com_mensagem
  } casos[] = {
      {"", 2, "0x00000002", "(os error 2)"},
      {" \t\r\n\v\f", 231, "0x000000E7", "(os error 231)"},
      {"a  b \t\n\v\f\r ", 0xC00D36B2, "a  b (0xC00D36B2)", "a  b (os error 3222091442)"},
      {"  x", 1, "  x (0x00000001)", "  x (os error 1)"},
      // Only ASCII white space is trimmed: a trailing no-break space stays.
      {"fim\xC2\xA0", 2, "fim\xC2\xA0 (0x00000002)", "fim\xC2\xA0 (os error 2)"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(texto_do_erro_com_mensagem(c.mensagem, static_cast<CodigoHr>(c.codigo)), c.como_hresult);
    EXPECT_EQ(texto_do_erro_do_sistema_com_mensagem(c.mensagem, c.codigo), c.como_win32);
  }
}

}  // namespace
}  // namespace norva
