#include "fonte/src/lib/registrar.h"

#include "fonte/src/lib/clsid.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"
#include "fonte/src/registro/texto_de_erro_windows.h"
#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

// wchar_t is a UTF-16 unit on Windows (MSVC and mingw-w64 alike).
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* largo(const std::u16string& texto) { return reinterpret_cast<const wchar_t*>(texto.c_str()); }

HRESULT falhar_inscricao(HRESULT hr) {
  Registro::escrever("DllRegisterServer: " + texto_do_erro(hr));
  return hr;
}

}  // namespace

std::expected<void, HRESULT> gravar_valor(std::string_view chave, std::optional<std::string_view> nome_do_valor,
                                          std::string_view conteudo) {
  const std::u16string chave16 = utf16_de_utf8(chave);
  HKEY aberta = nullptr;
  const LONG criada = RegCreateKeyExW(HKEY_LOCAL_MACHINE, largo(chave16), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE, nullptr, &aberta, nullptr);
  if (criada != ERROR_SUCCESS) return std::unexpected(hresult_de_win32(static_cast<std::uint32_t>(criada)));

  const std::optional<std::u16string> nome16 =
      nome_do_valor ? std::optional(utf16_de_utf8(*nome_do_valor)) : std::nullopt;
  // A REG_SZ value stores its terminating NUL: c_str() has it, size() does not count it.
  const std::u16string conteudo16 = utf16_de_utf8(conteudo);
  const auto bytes = static_cast<DWORD>((conteudo16.size() + 1) * sizeof(char16_t));
  const LONG gravado = RegSetValueExW(aberta, nome16 ? largo(*nome16) : nullptr, 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(conteudo16.data()), bytes);
  RegCloseKey(aberta);
  if (gravado != ERROR_SUCCESS) return std::unexpected(hresult_de_win32(static_cast<std::uint32_t>(gravado)));
  return {};
}

HRESULT registrar_servidor(const std::string& caminho) {
  if (caminho.empty()) {
    Registro::escrever("registrar: GetModuleFileNameW não devolveu caminho; NÃO registrando InprocServer32");
    return falhar_inscricao(E_POINTER);
  }
  struct Valor {
    std::string_view chave;
    std::optional<std::string_view> nome;
    std::string_view conteudo;
  };
  // In the order of writing; a failure stops here and keeps what was written.
  const Valor valores[] = {
      {CHAVE_DO_CLSID, std::nullopt, NOME_DA_CLASSE},
      {CHAVE_DO_SERVIDOR, std::nullopt, caminho},
      {CHAVE_DO_SERVIDOR, NOME_DO_MODELO_DE_THREADS, MODELO_DE_THREADS},
  };
  for (const Valor& valor : valores) {
    if (auto gravado = gravar_valor(valor.chave, valor.nome, valor.conteudo); !gravado) {
      return falhar_inscricao(gravado.error());
    }
  }
  Registro::escrever("DllRegisterServer: ok");
  return S_OK;
}

HRESULT desregistrar_servidor() {
  const std::u16string chave16 = utf16_de_utf8(CHAVE_DO_CLSID);
  const LONG codigo = RegDeleteTreeW(HKEY_LOCAL_MACHINE, largo(chave16));
  Registro::escrever("DllUnregisterServer -> " + texto_do_win32_error(static_cast<std::uint32_t>(codigo)));
  // Nothing to delete is what unregistering asks for; any other failure
  // (refused without elevation: 5) leaves the class registered and says so.
  if (codigo == ERROR_SUCCESS || codigo == ERROR_FILE_NOT_FOUND) return S_OK;
  return hresult_de_win32(static_cast<std::uint32_t>(codigo));
}

}  // namespace norva
