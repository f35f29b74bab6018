// The module path is read through a buffer that grows: a DLL loaded from ever
// deeper folders is asked for its path around each size the buffer takes.
#include "fonte/src/registro/caminho_do_modulo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fonte/src/registro/teste/registro_de_apoio_windows.h"
#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

TEST(CaminhoDoModulo, NenhumModuloNoEndereco) {
  int local = 0;
  EXPECT_EQ(caminho_do_modulo(reinterpret_cast<HMODULE>(&local)), "");
}

// The path of a copy of the test module exactly `tamanho` UTF-16 units long:
// folders of 150 units (a name may have at most 255), then a file name that
// takes the rest and holds a non-ASCII character. The folders are created.
std::wstring copia_com_caminho_de(std::wstring pasta, std::size_t tamanho) {
  constexpr std::size_t NIVEL = 150;
  constexpr std::wstring_view FIM_DO_NOME = L"\u00F3dulo.dll";
  while (tamanho - pasta.size() > NIVEL + FIM_DO_NOME.size() + 1) {
    pasta += L"\\" + std::wstring(NIVEL, static_cast<wchar_t>(L'a' + pasta.size() % 26));
    CreateDirectoryW(teste::longo(pasta).c_str(), nullptr);
  }
  return pasta + L"\\" + std::wstring(tamanho - pasta.size() - 1 - FIM_DO_NOME.size(), L'm') + std::wstring(FIM_DO_NOME);
}

class CaminhoLongo : public testing::TestWithParam<std::size_t> {};

TEST_P(CaminhoLongo, ModuloCarregadoDeUmaPastaFunda) {
  const teste::PastaTemporaria temporaria;
  const std::size_t tamanho = GetParam();
  const std::wstring copia = copia_com_caminho_de(temporaria.caminho(), tamanho);
  ASSERT_EQ(copia.size(), tamanho);
  const std::wstring original = teste::pasta_deste_programa() + L"\\norva_registro_modulo.dll";
  ASSERT_TRUE(CopyFileW(teste::longo(original).c_str(), teste::longo(copia).c_str(), FALSE)) << GetLastError();
  // Unloaded at the end of the test, before its folder is removed.
  const std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> modulo(LoadLibraryExW(teste::longo(copia).c_str(), nullptr, 0),
                                                                    FreeLibrary);
  ASSERT_NE(modulo, nullptr) << "LoadLibraryExW: " << GetLastError();
  EXPECT_EQ(caminho_do_modulo(modulo.get()), utf8_de_utf16(std::wstring_view(copia)));
}

// Around the first buffer (260), its first doubling (520), and far beyond.
INSTANTIATE_TEST_SUITE_P(Tamanhos, CaminhoLongo,
                         testing::Values(std::size_t{259}, std::size_t{260}, std::size_t{261}, std::size_t{519},
                                         std::size_t{520}, std::size_t{521}, std::size_t{2100}));

}  // namespace
}  // namespace norva
