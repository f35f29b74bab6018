// Error text from the platform, checked against what the platform itself
// says (FormatMessageW, the error-information object), never against a
// particular wording.
#include "fonte/src/registro/texto_de_erro_windows.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;

// FormatMessageW called directly, into a plain buffer, trimmed by hand.
std::string referencia(DWORD flags, HMODULE tabela, DWORD codigo) {
  std::vector<wchar_t> buffer(64 * 1024);
  DWORD n = FormatMessageW(flags | FORMAT_MESSAGE_IGNORE_INSERTS, tabela, codigo, 0, buffer.data(),
                           static_cast<DWORD>(buffer.size()), nullptr);
  while (n > 0 && (buffer[n - 1] == L' ' || (buffer[n - 1] >= L'\t' && buffer[n - 1] <= L'\r'))) --n;
  return utf8_de_utf16(std::wstring_view(buffer.data(), n));
}

std::string referencia_do_sistema(DWORD codigo) { return referencia(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, codigo); }

std::string com_codigo(const std::string& texto, DWORD codigo) {
  const std::string hex = texto_hexadecimal(codigo);
  return texto.empty() ? hex : texto + " (" + hex + ")";
}

struct CasoDeCodigo {
  const char* nome;
  DWORD codigo;
};

void PrintTo(const CasoDeCodigo& c, std::ostream* os) { *os << c.nome; }

class TextoDoSistema : public testing::TestWithParam<CasoDeCodigo> {};

TEST_P(TextoDoSistema, IgualAoFormatMessageAparado) {
  const DWORD codigo = GetParam().codigo;
  const std::string esperado = referencia_do_sistema(codigo);
  EXPECT_EQ(mensagem_do_sistema(codigo), esperado);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(codigo)), com_codigo(esperado, codigo));
}

INSTANTIATE_TEST_SUITE_P(Tabela, TextoDoSistema,
                         testing::Values(CasoDeCodigo{"e_invalidarg", 0x80070057},
                                         CasoDeCodigo{"acesso_negado", 0x80070005},
                                         CasoDeCodigo{"e_nointerface", 0x80004002},
                                         CasoDeCodigo{"e_fail", 0x80004005},
                                         CasoDeCodigo{"mf_e_shutdown", 0xC00D3E85},
                                         CasoDeCodigo{"win32_nao_encontrado", 2},
                                         CasoDeCodigo{"s_ok", 0}));

TEST(TextoDoSistema, CodigoDeClienteNaoTemTexto) {
  // The customer bit (29) marks codes that no system table holds.
  constexpr DWORD CODIGO_DE_CLIENTE = 0xE0001234;
  EXPECT_EQ(mensagem_do_sistema(CODIGO_DE_CLIENTE), "");
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(CODIGO_DE_CLIENTE)), "0xE0001234");
  EXPECT_EQ(texto_do_erro_do_sistema(CODIGO_DE_CLIENTE), "(os error 3758101044)");
}

TEST(TextoDoSistema, BitDeNtstatusVaiAoNtdll) {
  // STATUS_ACCESS_DENIED carried in an HRESULT with bit 28 set.
  constexpr DWORD COMO_HRESULT = 0xD0000022;
  constexpr DWORD NTSTATUS = 0xC0000022;
  const std::string esperado = referencia(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(L"ntdll.dll"), NTSTATUS);
  EXPECT_EQ(mensagem_do_sistema(COMO_HRESULT), esperado);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(COMO_HRESULT)), com_codigo(esperado, COMO_HRESULT));
}

TEST(TextoDoErroDoSistema, TextoDoSistemaEOsError) {
  for (const DWORD codigo : {DWORD{2}, DWORD{5}, DWORD{109}, DWORD{231}}) {
    const std::string texto = referencia_do_sistema(codigo);
    EXPECT_FALSE(texto.empty()) << "the system should know Win32 error " << codigo;
    EXPECT_EQ(texto_do_erro_do_sistema(codigo), texto + " (os error " + std::to_string(codigo) + ")");
  }
}

// An error-information object made the way a platform call leaves one on the
// thread: created, described, set, then taken with GetErrorInfo.
ComPtr<IErrorInfo> informacao_com_descricao(const wchar_t* descricao) {
  ComPtr<ICreateErrorInfo> criar;
  if (FAILED(CreateErrorInfo(&criar))) return nullptr;
  criar->SetDescription(const_cast<LPOLESTR>(descricao));
  ComPtr<IErrorInfo> informacao;
  criar.As(&informacao);
  SetErrorInfo(0, informacao.Get());
  ComPtr<IErrorInfo> tomada;
  if (GetErrorInfo(0, &tomada) != S_OK) return nullptr;
  return tomada;
}

TEST(TextoDoErro, DescricaoDaInformacaoDeErroVemPrimeiro) {
  const auto informacao = informacao_com_descricao(L"Falha de configura\u00E7\u00E3o\r\n \t");
  ASSERT_NE(informacao, nullptr);
  EXPECT_EQ(descricao_do_erro(informacao.Get()), "Falha de configura\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(texto_do_erro(E_FAIL, informacao.Get()), "Falha de configura\xC3\xA7\xC3\xA3o (0x80004005)");
}

TEST(TextoDoErro, DescricaoVaziaOuAusenteDaLugarAoSistema) {
  const std::string do_sistema = com_codigo(referencia_do_sistema(0x80070005), 0x80070005);
  const auto vazia = informacao_com_descricao(L"");
  ASSERT_NE(vazia, nullptr);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(0x80070005), vazia.Get()), do_sistema);
  const auto so_espacos = informacao_com_descricao(L" \r\n");
  ASSERT_NE(so_espacos, nullptr);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(0x80070005), so_espacos.Get()), do_sistema);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(0x80070005), nullptr), do_sistema);
}

TEST(TextoDoGuid, DaEstruturaDaPlataforma) {
  constexpr GUID FONTE = {0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
  EXPECT_EQ(texto_do_guid(FONTE), "3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036");
  EXPECT_EQ(texto_do_guid(IID_IUnknown), "00000000-0000-0000-C000-000000000046");
}

}  // namespace
}  // namespace norva
