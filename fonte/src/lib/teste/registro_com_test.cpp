// Registration through the exports and through regsvr32.exe, read back from
// the registry. One machine-wide key: ctest never runs these cases together
// with each other or with the consumer tests (RESOURCE_LOCK).
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/lib/teste/registro_do_processo.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

constexpr wchar_t CHAVE[] = L"SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}";
constexpr wchar_t CHAVE_DO_SERVIDOR[] =
    L"SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}\\InprocServer32";
constexpr DWORD LIMITE_DO_REGSVR32_MS = 60000;

struct ValorLido {
  bool existe = false;
  DWORD tipo = 0;
  DWORD bytes = 0;
  std::wstring texto;  // up to the first NUL
};

ValorLido ler_valor(const wchar_t* chave, const wchar_t* nome) {
  ValorLido lido;
  HKEY aberta = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, KEY_READ, &aberta) != ERROR_SUCCESS) return lido;
  if (RegQueryValueExW(aberta, nome, nullptr, &lido.tipo, nullptr, &lido.bytes) == ERROR_SUCCESS) {
    std::wstring dados(lido.bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = lido.bytes;
    if (RegQueryValueExW(aberta, nome, nullptr, nullptr, reinterpret_cast<BYTE*>(dados.data()), &bytes) ==
        ERROR_SUCCESS) {
      lido.existe = true;
      lido.texto = dados.c_str();
    }
  }
  RegCloseKey(aberta);
  return lido;
}

bool chave_existe(const wchar_t* chave) {
  HKEY aberta = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, KEY_READ, &aberta) != ERROR_SUCCESS) return false;
  RegCloseKey(aberta);
  return true;
}

// Subkeys and values directly under a key.
std::pair<DWORD, DWORD> conteudo_da_chave(const wchar_t* chave) {
  HKEY aberta = nullptr;
  DWORD subchaves = ~DWORD{0};
  DWORD valores = ~DWORD{0};
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, KEY_READ, &aberta) == ERROR_SUCCESS) {
    RegQueryInfoKeyW(aberta, nullptr, nullptr, nullptr, &subchaves, nullptr, nullptr, &valores, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(aberta);
  }
  return {subchaves, valores};
}

// The registration exactly as it must read back for a DLL at `caminho`: three
// REG_SZ values, each byte count including the NUL, and nothing else.
void verificar_registro(const std::wstring& caminho) {
  struct Esperado {
    const wchar_t* chave;
    const wchar_t* nome;
    std::wstring texto;
  };
  const Esperado esperados[] = {
      {CHAVE, nullptr, L"Norva Virtual Camera Source"},
      {CHAVE_DO_SERVIDOR, nullptr, caminho},
      {CHAVE_DO_SERVIDOR, L"ThreadingModel", L"Both"},
  };
  for (const Esperado& e : esperados) {
    const ValorLido lido = ler_valor(e.chave, e.nome);
    const std::string onde = para_utf8(e.chave) + " / " + (e.nome ? para_utf8(e.nome) : "(default)");
    ASSERT_TRUE(lido.existe) << onde;
    EXPECT_EQ(lido.tipo, static_cast<DWORD>(REG_SZ)) << onde;
    EXPECT_EQ(lido.texto, e.texto) << onde;
    EXPECT_EQ(lido.bytes, (e.texto.size() + 1) * sizeof(wchar_t)) << onde << ": byte count includes the NUL";
  }
  EXPECT_EQ(conteudo_da_chave(CHAVE), std::make_pair(DWORD{1}, DWORD{1})) << "only InprocServer32 and the name";
  EXPECT_EQ(conteudo_da_chave(CHAVE_DO_SERVIDOR), std::make_pair(DWORD{0}, DWORD{2}));
}

class Registro_ : public ::testing::Test {
 protected:
  void SetUp() override {
    carregar_dll(caminho_da_dll(), dll_);
    ASSERT_NE(dll_.DllRegisterServer, nullptr);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CHAVE);  // whatever an earlier run left
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, CHAVE); }

  Exportacoes dll_;
};

TEST_F(Registro_, RegistrarDuasVezesDaOMesmoConteudo) {
  const auto antes = contar_mensagem("DllRegisterServer: ok");
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  verificar_registro(caminho_da_dll());
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  verificar_registro(caminho_da_dll());
  EXPECT_EQ(contar_mensagem("DllRegisterServer: ok"), antes + 2);
}

TEST_F(Registro_, DesregistrarApagaTudoEUmaSegundaVezDaCodigo2) {
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  ASSERT_TRUE(chave_existe(CHAVE_DO_SERVIDOR));
  EXPECT_EQ(dll_.DllUnregisterServer(), S_OK);
  EXPECT_FALSE(chave_existe(CHAVE_DO_SERVIDOR));
  EXPECT_FALSE(chave_existe(CHAVE));
  EXPECT_EQ(dll_.DllUnregisterServer(), S_OK) << "nothing to delete is still a success";
  const auto mensagens = mensagens_registradas();
  ASSERT_GE(mensagens.size(), 2u);
  EXPECT_EQ(mensagens[mensagens.size() - 2], "DllUnregisterServer -> WIN32_ERROR(0)");
  EXPECT_EQ(mensagens.back(), "DllUnregisterServer -> WIN32_ERROR(2)");
}

TEST_F(Registro_, Regsvr32RegistraEDesregistra) {
  const std::wstring dll = caminho_da_dll();
  DWORD pid = 0;
  auto desde = tamanho_do_registro();
  ASSERT_EQ(executar(L"regsvr32.exe /s \"" + dll + L"\"", pid, LIMITE_DO_REGSVR32_MS), 0u);
  verificar_registro(dll);
  const std::vector<std::string> registro = {"DLL carregada", "DllRegisterServer: ok"};
  EXPECT_EQ(mensagens_do_processo(pid, desde), registro) << "regsvr32's own lines, found by its pid";

  desde = tamanho_do_registro();
  ASSERT_EQ(executar(L"regsvr32.exe /u /s \"" + dll + L"\"", pid, LIMITE_DO_REGSVR32_MS), 0u);
  EXPECT_FALSE(chave_existe(CHAVE));
  const std::vector<std::string> desregistro = {"DLL carregada", "DllUnregisterServer -> WIN32_ERROR(0)"};
  EXPECT_EQ(mensagens_do_processo(pid, desde), desregistro);
}

// --- A class key that may not be deleted ----------------------------------------
// As for a user without elevation: InprocServer32 with an empty access list
// (only its owner may change the list) refuses RegDeleteTreeW with code 5 on
// Windows and Wine alike.

// Gives HKLM\`chave` the access list `sddl`.
void dar_lista(const wchar_t* chave, const wchar_t* sddl) {
  HKEY aberta = nullptr;
  PSECURITY_DESCRIPTOR lista = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, WRITE_DAC, &aberta), ERROR_SUCCESS);
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &lista, nullptr));
  EXPECT_EQ(RegSetKeySecurity(aberta, DACL_SECURITY_INFORMATION, lista), ERROR_SUCCESS);
  LocalFree(lista);
  RegCloseKey(aberta);
}

TEST_F(Registro_, DesregistrarRecusadoDevolveAFalhaEAClasseFica) {
  constexpr HRESULT ACESSO_NEGADO = static_cast<HRESULT>(0x80070005);
  const std::wstring dll = caminho_da_dll();
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  dar_lista(CHAVE_DO_SERVIDOR, L"D:");
  const HRESULT hr = dll_.DllUnregisterServer();
  const auto mensagens = mensagens_registradas();
  DWORD pid = 0;
  const DWORD saida = executar(L"regsvr32.exe /u /s \"" + dll + L"\"", pid, LIMITE_DO_REGSVR32_MS);
  dar_lista(CHAVE_DO_SERVIDOR, L"D:(A;;KA;;;WD)");  // TearDown can delete it again
  const bool ficou = chave_existe(CHAVE_DO_SERVIDOR);

  EXPECT_EQ(hr, ACESSO_NEGADO);
  EXPECT_TRUE(ficou) << "the class stays registered";
  ASSERT_FALSE(mensagens.empty());
  EXPECT_EQ(mensagens.back(), "DllUnregisterServer -> WIN32_ERROR(5)");
  EXPECT_NE(saida, 0u) << "regsvr32 /u reports the refusal";
}

// --- A key that cannot be created ------------------------------------------------
// A registry link whose target does not exist makes RegCreateKeyExW fail
// with code 2 on any platform that follows links (Windows and Wine alike),
// without needing a user who lacks rights.

constexpr wchar_t ALVO_INEXISTENTE[] = L"\\Registry\\Machine\\SOFTWARE\\Norva\\AlvoQueNaoExiste";

// Replaces HKLM\`chave` with a volatile link to nowhere.
bool criar_link_quebrado(const wchar_t* chave) {
  HKEY link = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, chave, 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG gravado = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                      reinterpret_cast<const BYTE*>(ALVO_INEXISTENTE),
                                      static_cast<DWORD>(wcslen(ALVO_INEXISTENTE) * sizeof(wchar_t)));
  RegCloseKey(link);
  return gravado == ERROR_SUCCESS;
}

// Deletes the link itself, not its (missing) target.
void apagar_link(const wchar_t* chave) {
  HKEY link = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &link) != ERROR_SUCCESS) return;
  using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
  const auto apagar =
      reinterpret_cast<NtDeleteKeyFn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  if (apagar != nullptr) apagar(link);
  RegCloseKey(link);
}

struct CasoDeChaveQuebrada {
  const char* nome;
  const wchar_t* chave_quebrada;
  bool nome_da_classe_fica;  // written before the failure, and kept
};

void PrintTo(const CasoDeChaveQuebrada& caso, std::ostream* os) { *os << caso.nome; }

class ChaveQuebrada : public Registro_, public ::testing::WithParamInterface<CasoDeChaveQuebrada> {};

TEST_P(ChaveQuebrada, FalhaComOCodigoRegistraOTextoENaoDesfazOQueGravou) {
  const CasoDeChaveQuebrada& caso = GetParam();
  const auto sucessos_antes = contar_mensagem("DllRegisterServer: ok");
  ASSERT_TRUE(criar_link_quebrado(caso.chave_quebrada)) << caso.nome;
  const HRESULT hr = dll_.DllRegisterServer();
  const ValorLido nome = ler_valor(CHAVE, nullptr);
  apagar_link(caso.chave_quebrada);

  EXPECT_EQ(hr, static_cast<HRESULT>(0x80070002)) << caso.nome;
  EXPECT_EQ(nome.existe, caso.nome_da_classe_fica) << caso.nome;
  if (caso.nome_da_classe_fica) {
    EXPECT_EQ(nome.texto, L"Norva Virtual Camera Source");
  }
  const auto mensagens = mensagens_registradas();
  ASSERT_FALSE(mensagens.empty());
  const std::string& ultima = mensagens.back();
  const std::string prefixo = "DllRegisterServer: ";
  const std::string codigo = "(0x80070002)";
  EXPECT_TRUE(ultima.starts_with(prefixo) && ultima.ends_with(codigo)) << ultima;
  // The system's text for the code sits between them, then one blank.
  EXPECT_GT(ultima.size(), prefixo.size() + 1 + codigo.size()) << ultima;
  EXPECT_EQ(contar_mensagem("DllRegisterServer: ok"), sucessos_antes);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ChaveQuebrada,
    ::testing::Values(CasoDeChaveQuebrada{"chave_da_classe", CHAVE, false},
                      CasoDeChaveQuebrada{"chave_do_servidor", CHAVE_DO_SERVIDOR, true}),
    [](const auto& info) { return std::string(info.param.nome); });

// --- Long DLL paths: the module path buffer starts at 260 units and grows. ---

struct CasoDeCaminho {
  std::size_t comprimento;  // of the DLL's full path, in UTF-16 units
};

void PrintTo(const CasoDeCaminho& caso, std::ostream* os) { *os << caso.comprimento << " units"; }

class CaminhoLongo : public Registro_, public ::testing::WithParamInterface<CasoDeCaminho> {};

constexpr std::size_t MAIOR_COMPONENTE = 200;  // below the 255-unit limit of one name

// A folder under the temporary directory such that folder + "\" + the DLL's
// name has exactly `comprimento` units; created level by level.
std::wstring criar_caminho_com(std::size_t comprimento) {
  wchar_t temporaria[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temporaria);
  std::wstring pasta = std::wstring(temporaria) + L"norva-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(pasta.c_str(), nullptr);
  const std::size_t nome = 1 + std::wstring(NOME_DA_DLL).size();
  while (pasta.size() + nome < comprimento) {
    const std::size_t falta = comprimento - nome - pasta.size();
    // Each level adds a backslash; never leave a remainder of 1 (a lone "\").
    std::size_t passo = std::min(falta, MAIOR_COMPONENTE + 1);
    if (falta - passo == 1) --passo;
    pasta += L'\\' + std::wstring(passo - 1, L'p');
    CreateDirectoryW(pasta.c_str(), nullptr);
  }
  return pasta + L'\\' + NOME_DA_DLL;
}

TEST_P(CaminhoLongo, InprocServer32GuardaOCaminhoInteiro) {
  const std::wstring destino = criar_caminho_com(GetParam().comprimento);
  ASSERT_EQ(destino.size(), GetParam().comprimento);
  ASSERT_TRUE(CopyFileW(caminho_da_dll().c_str(), destino.c_str(), FALSE)) << "error " << GetLastError();
  Exportacoes copia;
  ASSERT_NE(carregar_dll(destino, copia), nullptr);
  ASSERT_EQ(copia.DllRegisterServer(), S_OK);
  const ValorLido lido = ler_valor(CHAVE_DO_SERVIDOR, nullptr);
  EXPECT_EQ(lido.texto.size(), GetParam().comprimento);
  EXPECT_EQ(lido.texto, destino);
  EXPECT_EQ(lido.bytes, (destino.size() + 1) * sizeof(wchar_t));
}

INSTANTIATE_TEST_SUITE_P(Comprimentos, CaminhoLongo,
                         ::testing::Values(CasoDeCaminho{259}, CasoDeCaminho{260}, CasoDeCaminho{261},
                                           CasoDeCaminho{520}, CasoDeCaminho{700}),
                         [](const auto& info) { return std::to_string(info.param.comprimento); });

}  // namespace
}  // namespace norva::teste
