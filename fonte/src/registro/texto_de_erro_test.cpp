#include "fonte/src/registro/texto_de_erro.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

TEST(HresultDeWin32, ComoAMacroDaPlataforma) {
  struct Caso {
    std::uint32_t codigo;
    std::uint32_t esperado;
  };
  const Caso casos[] = {
      {0, 0},                     // success stays success
      {2, 0x80070002},            // ERROR_FILE_NOT_FOUND
      {5, 0x80070005},            // ERROR_ACCESS_DENIED
      {231, 0x800700E7},          // ERROR_PIPE_BUSY
      {0x12345, 0x80072345},      // only the low 16 bits are kept
      {0x7FFFFFFF, 0x8007FFFF},   // largest positive
      {0x80004005, 0x80004005},   // already an HRESULT (negative): unchanged
      {0x80070005, 0x80070005},
      {0xFFFFFFFF, 0xFFFFFFFF},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(static_cast<std::uint32_t>(hresult_de_win32(c.codigo)), c.esperado) << "code " << c.codigo;
  }
  static_assert(hresult_de_win32(5) == static_cast<CodigoHr>(0x80070005u));
}

TEST(TextoDoHresult, OitoDigitosMaiusculos) {
  EXPECT_EQ(texto_do_hresult(0), "HRESULT(0x00000000)");
  EXPECT_EQ(texto_do_hresult(1), "HRESULT(0x00000001)");
  EXPECT_EQ(texto_do_hresult(static_cast<CodigoHr>(0x80004002u)), "HRESULT(0x80004002)");
  EXPECT_EQ(texto_do_hresult(0xABCDEF), "HRESULT(0x00ABCDEF)");
  EXPECT_EQ(texto_do_hresult(-1), "HRESULT(0xFFFFFFFF)");
  EXPECT_EQ(texto_hexadecimal(0xC00D36B2), "0xC00D36B2");
}

struct CasoDeErro {
  const char* nome;
  std::string mensagem;
  std::uint32_t codigo;
  std::string como_hresult;  // texto_do_erro_com_mensagem
  std::string como_win32;    // texto_do_erro_do_sistema_com_mensagem
};

void PrintTo(const CasoDeErro& c, std::ostream* os) { *os << c.nome; }

class TextoDoErro : public testing::TestWithParam<CasoDeErro> {};

TEST_P(TextoDoErro, MensagemAparadaECodigo) {
  const CasoDeErro& c = GetParam();
  EXPECT_EQ(texto_do_erro_com_mensagem(c.mensagem, static_cast<CodigoHr>(c.codigo)), c.como_hresult);
  EXPECT_EQ(texto_do_erro_do_sistema_com_mensagem(c.mensagem, c.codigo), c.como_win32);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, TextoDoErro,
    testing::Values(
        CasoDeErro{"crlf_no_fim", "Acesso negado.\r\n", 0x80070005, "Acesso negado. (0x80070005)",
                   "Acesso negado. (os error 2147942405)"},
        CasoDeErro{"sem_texto", "", 2, "0x00000002", "(os error 2)"},
        CasoDeErro{"so_espacos", " \t\r\n\v\f", 231, "0x000000E7", "(os error 231)"},
        CasoDeErro{"todos_os_espacos_finais", "a  b \t\n\v\f\r ", 0xC00D36B2, "a  b (0xC00D36B2)",
                   "a  b (os error 3222091442)"},
        CasoDeErro{"espacos_no_inicio_ficam", "  x", 1, "  x (0x00000001)", "  x (os error 1)"},
        // Only ASCII white space is trimmed: a trailing no-break space stays.
        CasoDeErro{"nbsp_fica", "fim\xC2\xA0", 2, "fim\xC2\xA0 (0x00000002)", "fim\xC2\xA0 (os error 2)"},
        CasoDeErro{"utf8", "O sistema não pode encontrar o arquivo especificado.\r\n", 2,
                   "O sistema não pode encontrar o arquivo especificado. (0x00000002)",
                   "O sistema não pode encontrar o arquivo especificado. (os error 2)"}));

TEST(TextoDoWin32Error, Decimal) {
  EXPECT_EQ(texto_do_win32_error(0), "WIN32_ERROR(0)");
  EXPECT_EQ(texto_do_win32_error(2), "WIN32_ERROR(2)");
  EXPECT_EQ(texto_do_win32_error(4294967295u), "WIN32_ERROR(4294967295)");
}

TEST(TextoDoGuid, GruposMaiusculosSemChaves) {
  const CamposDoGuid fonte{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
  EXPECT_EQ(texto_do_guid(fonte), "3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036");
  const CamposDoGuid com_zeros{0x1, 0x2, 0x3, {0, 0x4, 0, 0, 0, 0, 0, 0x5}};
  EXPECT_EQ(texto_do_guid(com_zeros), "00000001-0002-0003-0004-000000000005");
  EXPECT_EQ(texto_do_guid(CamposDoGuid{}), "00000000-0000-0000-0000-000000000000");
}

TEST(TextoDoBooleano, TrueEFalse) {
  EXPECT_EQ(texto_do_booleano(true), "true");
  EXPECT_EQ(texto_do_booleano(false), "false");
}

}  // namespace
}  // namespace norva
