#include <cwchar>
#include <filesystem>

#include "ferramentas/norva-camera/verificacoes.h"
#include "fonte/src/lib/clsid.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

std::string utf8(const std::wstring& texto) { return utf8_de_utf16<wchar_t>(texto); }

// The key's default value, environment variables expanded; none when the
// key or value is missing or not text.
std::optional<std::wstring> caminho_registrado(const std::wstring& chave) {
  DWORD bytes = 0;
  const DWORD tipos = RRF_RT_REG_SZ;  // REG_EXPAND_SZ too, expanded
  if (RegGetValueW(HKEY_LOCAL_MACHINE, chave.c_str(), nullptr, tipos, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring texto(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(HKEY_LOCAL_MACHINE, chave.c_str(), nullptr, tipos, nullptr, texto.data(), &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  texto.resize(wcsnlen(texto.c_str(), texto.size()));
  return texto;
}

}  // namespace

Verificacao verificar_classe(const std::wstring& chave_do_servidor, std::optional<std::wstring>& caminho) {
  Verificacao v;
  v.assunto = "class " + std::string(TEXTO_DO_CLSID);
  caminho = caminho_registrado(chave_do_servidor);
  if (!caminho || caminho->empty()) {
    caminho.reset();
    v.achado = "not registered under HKEY_LOCAL_MACHINE";
    v.correcao = "from an elevated prompt, in the folder holding the DLL: regsvr32 norva_camera_fonte.dll";
    return v;
  }
  std::error_code erro;
  if (!std::filesystem::is_regular_file(std::filesystem::path(*caminho), erro)) {
    v.achado = "registered DLL is missing: " + utf8(*caminho);
    caminho.reset();
    v.correcao = "the DLL was moved or deleted; from an elevated prompt, register it again where it now is: "
                 "regsvr32 norva_camera_fonte.dll";
    return v;
  }
  v.ok = true;
  v.achado = "registered, " + utf8(*caminho);
  return v;
}

}  // namespace norva::ferramentas
