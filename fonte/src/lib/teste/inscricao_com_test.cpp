// COM registration through the exports and through regsvr32.exe, read back
// from the registry. One machine-wide key: ctest never runs these cases
// together with each other or with the consumer tests (RESOURCE_LOCK).
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

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
  wchar_t dados[1024] = {};
  lido.bytes = sizeof dados - sizeof(wchar_t);
  lido.existe = RegQueryValueExW(aberta, nome, nullptr, &lido.tipo, reinterpret_cast<BYTE*>(dados), &lido.bytes) ==
                ERROR_SUCCESS;
  lido.texto = dados;
  RegCloseKey(aberta);
  return lido;
}

// Subkeys and values directly under a key; nothing when the key is missing.
std::optional<std::pair<DWORD, DWORD>> conteudo_da_chave(const wchar_t* chave) {
  HKEY aberta = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, KEY_READ, &aberta) != ERROR_SUCCESS) return std::nullopt;
  DWORD subchaves = 0, valores = 0;
  RegQueryInfoKeyW(aberta, nullptr, nullptr, nullptr, &subchaves, nullptr, nullptr, &valores, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(aberta);
  return std::pair{subchaves, valores};
}

// The registration exactly as it must read back for a DLL at `caminho`: three
// REG_SZ values, each byte count including the NUL, and nothing else.
void verificar_inscricao(const std::wstring& caminho) {
  struct Esperado {
    const wchar_t* chave;
    const wchar_t* nome;
    std::wstring texto;
  };
  for (const Esperado& e : {Esperado{CHAVE, nullptr, L"Norva Virtual Camera Source"},
                            Esperado{CHAVE_DO_SERVIDOR, nullptr, caminho},
                            Esperado{CHAVE_DO_SERVIDOR, L"ThreadingModel", L"Both"}}) {
    const ValorLido lido = ler_valor(e.chave, e.nome);
    ASSERT_TRUE(lido.existe) << (e.nome ? "ThreadingModel" : "a default value");
    EXPECT_EQ(lido.tipo, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(lido.texto, e.texto);
    EXPECT_EQ(lido.bytes, (e.texto.size() + 1) * sizeof(wchar_t)) << "byte count includes the NUL";
  }
  EXPECT_EQ(conteudo_da_chave(CHAVE), std::pair(DWORD{1}, DWORD{1})) << "only InprocServer32 and the name";
  EXPECT_EQ(conteudo_da_chave(CHAVE_DO_SERVIDOR), std::pair(DWORD{0}, DWORD{2}));
}

// Runs `comando` and waits for it; its exit code, and the messages its
// process wrote to the log (found by its pid, only past where the log stood
// when it started: process ids are reused).
std::pair<DWORD, std::vector<std::string>> executar(std::wstring comando) {
  const std::size_t antes = linhas_do_registro().size();
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION processo{};
  if (!CreateProcessW(nullptr, comando.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &inicio, &processo)) {
    ADD_FAILURE() << "CreateProcessW: error " << GetLastError();
    return {~DWORD{0}, {}};
  }
  DWORD codigo = ~DWORD{0};
  if (WaitForSingleObject(processo.hProcess, LIMITE_DO_REGSVR32_MS) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "child process did not end in time";
    TerminateProcess(processo.hProcess, 1);
  }
  GetExitCodeProcess(processo.hProcess, &codigo);
  CloseHandle(processo.hThread);
  CloseHandle(processo.hProcess);
  std::vector<std::string> mensagens;
  const std::vector<std::string> linhas = linhas_do_registro();
  for (std::size_t i = antes; i < linhas.size(); ++i) {
    const auto lida = ler_linha(linhas[i]);
    if (lida && lida->pid == processo.dwProcessId) mensagens.push_back(lida->mensagem);
  }
  return {codigo, mensagens};
}

class Inscricao : public ::testing::Test {
 protected:
  void SetUp() override {
    carregar_dll(caminho_da_dll(), dll_);
    ASSERT_NE(dll_.DllRegisterServer, nullptr);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CHAVE);  // whatever an earlier run left
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, CHAVE); }

  Exportacoes dll_;
};

// Registration over an existing one gives the same content; unregistering
// with nothing left to delete still succeeds.
TEST_F(Inscricao, Regsvr32EAsExportacoesRegistramEDesregistramDuasVezes) {
  const std::wstring dll = caminho_da_dll();
  const auto [codigo, mensagens] = executar(L"regsvr32.exe /s \"" + dll + L"\"");
  ASSERT_EQ(codigo, 0u);
  EXPECT_EQ(mensagens, (std::vector<std::string>{"DLL carregada", "DllRegisterServer: ok"}));
  verificar_inscricao(dll);
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  verificar_inscricao(dll);
  EXPECT_EQ(mensagens_registradas().back(), "DllRegisterServer: ok");

  const auto [codigo_u, mensagens_u] = executar(L"regsvr32.exe /u /s \"" + dll + L"\"");
  ASSERT_EQ(codigo_u, 0u);
  EXPECT_EQ(conteudo_da_chave(CHAVE), std::nullopt);
  EXPECT_EQ(mensagens_u, (std::vector<std::string>{"DLL carregada", "DllUnregisterServer -> WIN32_ERROR(0)"}));
  EXPECT_EQ(dll_.DllUnregisterServer(), S_OK);
  EXPECT_EQ(mensagens_registradas().back(), "DllUnregisterServer -> WIN32_ERROR(2)");
}

// As for a user without elevation: a key with an empty access list (only its
// owner may change the list) refuses being opened for writing or deleted,
// with code 5, on Windows and Wine alike.
void dar_lista(const wchar_t* chave, const wchar_t* sddl) {
  HKEY aberta = nullptr;
  PSECURITY_DESCRIPTOR lista = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, chave, 0, WRITE_DAC, &aberta), ERROR_SUCCESS);
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &lista, nullptr));
  EXPECT_EQ(RegSetKeySecurity(aberta, DACL_SECURITY_INFORMATION, lista), ERROR_SUCCESS);
  LocalFree(lista);
  RegCloseKey(aberta);
}

// A key that may not be opened for writing makes registration stop there
// with the system's code, keeping what it wrote before; unregistration stops
// too, and the class stays registered.
struct CasoDeChaveFechada {
  const char* nome;
  const wchar_t* chave_fechada;
  bool desregistrar;
  const wchar_t* nome_da_classe;  // after the failure: kept from before, or rewritten before it
};

void PrintTo(const CasoDeChaveFechada& caso, std::ostream* os) { *os << caso.nome; }

class ChaveFechada : public Inscricao, public ::testing::WithParamInterface<CasoDeChaveFechada> {};

TEST_P(ChaveFechada, FalhaComOCodigoRegistraOTextoENaoDesfazOQueGravou) {
  const CasoDeChaveFechada& caso = GetParam();
  ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, CHAVE, nullptr, REG_SZ, L"antigo", 14), ERROR_SUCCESS);
  const auto sucessos_antes = contar_mensagem("DllRegisterServer: ok");
  dar_lista(caso.chave_fechada, L"D:");
  const HRESULT hr = caso.desregistrar ? dll_.DllUnregisterServer() : dll_.DllRegisterServer();
  dar_lista(caso.chave_fechada, L"D:(A;;KA;;;WD)");  // TearDown can delete it again

  EXPECT_EQ(hr, static_cast<HRESULT>(0x80070005));
  EXPECT_EQ(ler_valor(CHAVE, nullptr).texto, caso.nome_da_classe);
  EXPECT_NE(conteudo_da_chave(CHAVE_DO_SERVIDOR), std::nullopt) << "the class stays registered";
  const auto mensagens = mensagens_registradas();
  ASSERT_FALSE(mensagens.empty());
  const std::string& ultima = mensagens.back();
  if (caso.desregistrar) {
    EXPECT_EQ(ultima, "DllUnregisterServer -> WIN32_ERROR(5)");
    return;
  }
  const std::string prefixo = "DllRegisterServer: ";
  const std::string codigo = "(0x80070005)";
  EXPECT_TRUE(ultima.starts_with(prefixo) && ultima.ends_with(codigo)) << ultima;
  // The system's text for the code sits between them, then one blank.
  EXPECT_GT(ultima.size(), prefixo.size() + 1 + codigo.size()) << ultima;
  EXPECT_EQ(contar_mensagem("DllRegisterServer: ok"), sucessos_antes);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ChaveFechada,
    ::testing::Values(CasoDeChaveFechada{"chave_da_classe", CHAVE, false, L"antigo"},
                      CasoDeChaveFechada{"chave_do_servidor", CHAVE_DO_SERVIDOR, false, L"Norva Virtual Camera Source"},
                      CasoDeChaveFechada{"desregistrar", CHAVE_DO_SERVIDOR, true, L"antigo"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
}  // namespace norva::teste
