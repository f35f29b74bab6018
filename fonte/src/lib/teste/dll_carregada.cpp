#include "fonte/src/lib/teste/dll_carregada.h"

#include "fonte/src/registro/utf8.h"

#include <gtest/gtest.h>

namespace norva::teste {
namespace {

constexpr DWORD TAMANHO_DO_CAMINHO = 32768;

template <typename Fn>
Fn exportacao(HMODULE modulo, const char* nome) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(modulo, nome)));
}

}  // namespace

std::wstring pasta_do_executavel() {
  std::wstring caminho(TAMANHO_DO_CAMINHO, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, caminho.data(), TAMANHO_DO_CAMINHO);
  caminho.resize(n);
  return caminho.substr(0, caminho.find_last_of(L'\\') + 1);
}

std::wstring caminho_da_dll() { return pasta_do_executavel() + NOME_DA_DLL; }

HMODULE carregar_dll(const std::wstring& caminho, Exportacoes& exportacoes) {
  HMODULE modulo = LoadLibraryW(caminho.c_str());
  if (modulo == nullptr) {
    ADD_FAILURE() << "LoadLibraryW failed for " << para_utf8(caminho) << ": error " << GetLastError();
    return nullptr;
  }
  exportacoes.DllGetClassObject = exportacao<DllGetClassObjectFn>(modulo, "DllGetClassObject");
  exportacoes.DllCanUnloadNow = exportacao<SemArgumentosFn>(modulo, "DllCanUnloadNow");
  exportacoes.DllRegisterServer = exportacao<SemArgumentosFn>(modulo, "DllRegisterServer");
  exportacoes.DllUnregisterServer = exportacao<SemArgumentosFn>(modulo, "DllUnregisterServer");
  EXPECT_NE(exportacoes.DllGetClassObject, nullptr);
  EXPECT_NE(exportacoes.DllCanUnloadNow, nullptr);
  EXPECT_NE(exportacoes.DllRegisterServer, nullptr);
  EXPECT_NE(exportacoes.DllUnregisterServer, nullptr);
  return modulo;
}

std::string para_utf8(const std::wstring& texto) { return utf8_de_utf16(std::wstring_view(texto)); }

}  // namespace norva::teste
