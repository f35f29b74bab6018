// Error text from the platform, checked against what the platform itself
// says (FormatMessageW, the error-information object), never against a
// particular wording.
#include "fonte/src/registro/texto_de_erro_windows.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

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

// The shape is texto_de_erro_test's business; here, where the text comes from.
std::string com_codigo(const std::string& texto, DWORD hr) { return texto_do_erro_com_mensagem(texto, static_cast<CodigoHr>(hr)); }

// Codes with system text (HRESULT, Win32, NTSTATUS through bit 28), without
// (Media Foundation codes under Wine, a customer code), and success.
TEST(TextoDoSistema, IgualAoFormatMessageAparado) {
  constexpr DWORD NTSTATUS_COMO_HRESULT = 0xD0000022;  // STATUS_ACCESS_DENIED with bit 28
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const struct {
    DWORD codigo;
    std::string esperado;
  } casos[] = {
      {0x80070005, referencia_do_sistema(0x80070005)},
      {0xC00D3E85, referencia_do_sistema(0xC00D3E85)},
      {2, referencia_do_sistema(2)},
      {0, referencia_do_sistema(0)},
      {0xE0001234, ""},  // the customer bit (29) marks codes that no system table holds
      // Wine's ntdll has no message table (FormatMessageW fails with 1813), so
      // only Windows shows that this code's text is looked up there.
      {NTSTATUS_COMO_HRESULT, referencia(FORMAT_MESSAGE_FROM_HMODULE, ntdll, 0xC0000022)},
  };
  EXPECT_FALSE(casos[2].esperado.empty()) << "the system should know Win32 error 2";
  for (const auto& c : casos) {
    EXPECT_EQ(mensagem_do_sistema(c.codigo), c.esperado) << std::hex << c.codigo;
    EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(c.codigo)), com_codigo(c.esperado, c.codigo)) << std::hex << c.codigo;
  }
  EXPECT_EQ(texto_do_erro_do_sistema(2), casos[2].esperado + " (os error 2)");
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

// The description comes first, trimmed; a blank one or none leaves the
// system's text.
TEST(TextoDoErro, DescricaoDaInformacaoDeErroVemPrimeiro) {
  const auto informacao = informacao_com_descricao(L"Falha de configura\u00E7\u00E3o\r\n \t");
  const auto em_branco = informacao_com_descricao(L" \r\n");
  ASSERT_TRUE(informacao && em_branco);
  EXPECT_EQ(texto_do_erro(E_FAIL, informacao.Get()), "Falha de configura\xC3\xA7\xC3\xA3o (0x80004005)");
  const std::string do_sistema = com_codigo(referencia_do_sistema(0x80070005), 0x80070005);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(0x80070005), em_branco.Get()), do_sistema);
  EXPECT_EQ(texto_do_erro(static_cast<HRESULT>(0x80070005), nullptr), do_sistema);
}

}  // namespace
}  // namespace norva
