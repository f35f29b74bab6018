// diagnosticar's checks against private registry keys, folders and pipes of
// this process (pid + counter), under Wine as on Windows.
#include "ferramentas/norva-camera/verificacoes.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "ferramentas/norva-camera/acesso.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/registro/acesso_da_pasta.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

namespace norva::ferramentas {
namespace {

std::wstring unico(const wchar_t* prefixo) {
  static std::atomic<unsigned> contador{0};
  return prefixo + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(contador++);
}

std::wstring dll_do_projeto() {
  const std::string caminho = NORVA_DLL;
  std::wstring largo(caminho.begin(), caminho.end());
  // The build path is a Unix path: Wine maps it under drive Z.
  if (!largo.empty() && largo[0] == L'/') largo = L"Z:" + largo;
  for (wchar_t& c : largo) c = c == L'/' ? L'\\' : c;
  return largo;
}

// A security descriptor from its text form, freed at the end of scope.
struct Descritor {
  PSECURITY_DESCRIPTOR sd = nullptr;
  explicit Descritor(const std::wstring& sddl) {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr);
  }
  ~Descritor() { LocalFree(sd); }
  SECURITY_ATTRIBUTES atributos() { return {sizeof(SECURITY_ATTRIBUTES), sd, FALSE}; }
};

enum class Registrado { Nao, ComDll, ComDllAusente, ComArquivoSemVersao };

TEST(Diagnostico, ClasseEVersaoConformeORegistro) {
  struct Caso {
    Registrado registrado;
    std::string versao_esperada;
    bool classe_ok;
    const char* achado_da_classe;
    bool versao_ok;
    const char* achado_da_versao;
  };
  const Caso casos[] = {
      {Registrado::Nao, NORVA_VERSAO, false, "not registered", false, "no registered DLL"},
      {Registrado::ComDll, NORVA_VERSAO, true, "registered, ", true, NORVA_VERSAO},
      {Registrado::ComDll, "9.9.9", true, "registered, ", false, ", this tool is 9.9.9"},
      {Registrado::ComDllAusente, NORVA_VERSAO, false, "registered DLL is missing: ", false, "no registered DLL"},
      {Registrado::ComArquivoSemVersao, NORVA_VERSAO, true, "registered, ", false, "no version resource"},
  };
  teste::PastaTemporaria pasta;
  const std::wstring sem_versao = pasta.caminho() + L"\\sem_versao.dll";
  std::ofstream(std::filesystem::path(sem_versao)) << "not a DLL\n";
  for (const Caso& c : casos) {
    const std::wstring raiz = unico(L"SOFTWARE\\NorvaTeste\\camera-");
    const std::wstring chave = raiz + L"\\InprocServer32";
    const std::wstring caminhos[] = {L"", dll_do_projeto(), pasta.caminho() + L"\\sumiu\\norva_camera_fonte.dll",
                                     sem_versao};
    const std::wstring& registrar = caminhos[static_cast<int>(c.registrado)];
    if (c.registrado != Registrado::Nao) {
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, chave.c_str(), nullptr, REG_SZ, registrar.c_str(),
                                static_cast<DWORD>((registrar.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    }
    std::optional<std::wstring> dll;
    const Verificacao classe = verificar_classe(chave, dll);
    const Verificacao versao = verificar_versao(dll, c.versao_esperada);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, raiz.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, raiz.c_str());
    SCOPED_TRACE(linha_da_verificacao(classe) + "\n" + linha_da_verificacao(versao));
    EXPECT_EQ(classe.ok, c.classe_ok);
    EXPECT_NE(classe.achado.find(c.achado_da_classe), std::string::npos);
    EXPECT_EQ(classe.ok, dll.has_value());
    EXPECT_EQ(versao.ok, c.versao_ok);
    EXPECT_NE(versao.achado.find(c.achado_da_versao), std::string::npos);
    EXPECT_EQ(classe.correcao.empty(), classe.ok);
    EXPECT_EQ(versao.correcao.empty(), versao.ok);
  }
}

// The access lists as the system evaluates them for a LOCAL SERVICE token.
TEST(Diagnostico, DireitosDoServicoLocalPelaLista) {
  const std::pair<const wchar_t*, bool> casos[] = {
      {L"D:P(A;OICI;FA;;;BA)", false},
      {L"D:P(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;LS)", true},
      {L"D:P(A;OICI;FA;;;BA)(A;OICI;GRGX;;;BU)", true},  // generic rights mapped
      {L"D:P(A;OICI;FA;;;BA)(A;OICI;FR;;;AU)", false},   // read without execute
      {L"D:P(A;;FR;;;LS)(A;;FX;;;WD)", true},            // rights add up over groups
      {L"D:P(D;OICI;FA;;;LS)(A;OICI;FA;;;WD)", false},   // a denial first wins
      {L"D:P(A;OICI;FA;;;WD)(D;OICI;FA;;;LS)", true},    // a denial after the grant is too late
      {L"D:P(A;OICI;FA;;;BA)(A;OIIO;FA;;;WD)", false},   // inherit-only: not for this object
      {L"D:P(A;;FA;;;S-1-5-20)", false},                 // NETWORK SERVICE is someone else
  };
  for (const auto& [sddl, le] : casos) {
    Descritor d(sddl);
    BOOL presente = FALSE;
    BOOL padrao = FALSE;
    ACL* dacl = nullptr;
    ASSERT_TRUE(d.sd != nullptr && GetSecurityDescriptorDacl(d.sd, &presente, &dacl, &padrao)) << sddl;
    const ACCESS_MASK direitos = direitos_do_servico_local(presente ? dacl : nullptr);
    EXPECT_EQ((direitos & LEITURA_E_EXECUCAO) == LEITURA_E_EXECUCAO, le) << sddl;
  }
}

// The lists as the file system keeps them: read from the DLL and its
// folder. (Wine keeps only what Unix permissions express, so a list that
// shuts LOCAL SERVICE out cannot be made here; the table above covers it.)
TEST(Diagnostico, LeituraPeloServicoLocalDaPastaDaDll) {
  const std::pair<const wchar_t*, bool> casos[] = {
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)", true},
  };
  teste::PastaTemporaria temporaria;
  for (const auto& [sddl, le] : casos) {
    const std::wstring pasta = temporaria.caminho() + L"\\" + unico(L"pasta-");
    ASSERT_TRUE(CreateDirectoryW(pasta.c_str(), nullptr));
    const std::wstring dll = pasta + L"\\norva_camera_fonte.dll";
    std::ofstream(std::filesystem::path(dll)) << "x";
    Descritor d(sddl);
    BOOL presente = FALSE;
    BOOL padrao = FALSE;
    ACL* dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(d.sd, &presente, &dacl, &padrao));
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(pasta.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    const Verificacao v = verificar_leitura_pelo_servico(dll);
    EXPECT_EQ(v.ok, le) << linha_da_verificacao(v);
  }
  const Verificacao sem_dll = verificar_leitura_pelo_servico(std::nullopt);
  EXPECT_FALSE(sem_dll.ok);
}

// Same ACEs in the same order and the same protection, nothing less.
TEST(Diagnostico, ListasComparadas) {
  const std::wstring pasta(SDDL_DA_PASTA_DO_REGISTRO);
  const std::pair<std::wstring, bool> casos[] = {
      {pasta, true},
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;AU)(A;OIIO;0x12008d;;;AU)"
       L"(A;;0x1200ab;;;LS)(A;OIIO;0x12008d;;;LS)", false},  // no OWNER RIGHTS
      {pasta + L"(A;OICI;FA;;;WD)", false},
      {L"D:" + pasta.substr(3), false},  // inherits from above
      {L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;;0x1200ab;;;AU)(A;OIIO;0x12008d;;;AU)"
       L"(A;;0x1200ab;;;LS)(A;OIIO;0x12008d;;;LS)(A;OICI;0x120089;;;S-1-3-4)", false},  // order
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;AU)(A;OIIO;0x12008f;;;AU)"
       L"(A;;0x1200ab;;;LS)(A;OIIO;0x12008d;;;LS)(A;OICI;0x120089;;;S-1-3-4)", false},  // write data
  };
  Descritor esperado(pasta);
  for (const auto& [sddl, igual] : casos) {
    Descritor d(sddl);
    ASSERT_TRUE(d.sd != nullptr);
    EXPECT_EQ(mesma_lista(d.sd, esperado.sd), igual);
  }
}

// What Wine can show of the log folder: missing, not a folder, another list.
TEST(Diagnostico, PastaDoRegistro) {
  enum class Tipo { Ausente, Pasta, Arquivo };
  const std::pair<Tipo, const char*> casos[] = {
      {Tipo::Ausente, "missing"},
      {Tipo::Arquivo, "not a plain folder"},
      {Tipo::Pasta, "not the camera's"},
  };
  teste::PastaTemporaria temporaria;
  for (const auto& [tipo, achado] : casos) {
    const std::wstring pasta = temporaria.caminho() + L"\\" + unico(L"Norva-");
    if (tipo == Tipo::Pasta) {
      ASSERT_TRUE(CreateDirectoryW(pasta.c_str(), nullptr));
    } else if (tipo == Tipo::Arquivo) {
      std::ofstream(std::filesystem::path(pasta)) << "x";
    }
    const Verificacao v = verificar_pasta_do_registro(pasta);
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.achado.find(achado), std::string::npos) << linha_da_verificacao(v);
  }
}

// A listening instance with a chosen access list stands for the writer (the
// checks never read from it). One instance taken by a client: still served,
// but its list cannot be read until an instance is free.
TEST(Diagnostico, CanoServidoEQuemPodeLe_lo) {
  struct Caso {
    const wchar_t* sddl;  // null: no pipe at all
    bool ocupado;         // the only instance has a client
    bool servido;
    bool le;
  };
  const Caso casos[] = {
      {nullptr, false, false, false},
      {L"D:(A;;GA;;;BA)(A;;GR;;;LS)", false, true, true},
      {L"D:(A;;GA;;;BA)(A;;GR;;;WD)", false, true, true},
      {L"D:(A;;GA;;;BA)", false, true, false},
      {L"D:(A;;GA;;;BA)(A;;GW;;;LS)", false, true, false},
      {L"D:(A;;GA;;;BA)(A;;GR;;;WD)", true, true, false},
  };
  for (const Caso& c : casos) {
    const std::wstring largo = unico(L"norva-teste-camera-");
    const std::string nome(largo.begin(), largo.end());
    const std::string cano_utf8 = nome_do_cano(nome);
    const std::wstring caminho(cano_utf8.begin(), cano_utf8.end());
    HANDLE instancia = INVALID_HANDLE_VALUE;
    HANDLE cliente = INVALID_HANDLE_VALUE;
    if (c.sddl != nullptr) {
      Descritor descritor(c.sddl);
      SECURITY_ATTRIBUTES atributos = descritor.atributos();
      instancia = CreateNamedPipeW(caminho.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                   c.ocupado ? 1 : PIPE_UNLIMITED_INSTANCES, 4096, 0, 0, &atributos);
      ASSERT_NE(instancia, INVALID_HANDLE_VALUE);
    }
    if (c.ocupado) {
      cliente = CreateFileW(caminho.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(cliente, INVALID_HANDLE_VALUE);
    }
    bool servido = false;
    const Verificacao cano = verificar_cano(nome, servido);
    const Verificacao acesso = verificar_acesso_ao_cano(nome, servido);
    if (cliente != INVALID_HANDLE_VALUE) CloseHandle(cliente);
    if (instancia != INVALID_HANDLE_VALUE) CloseHandle(instancia);
    SCOPED_TRACE(linha_da_verificacao(cano) + "\n" + linha_da_verificacao(acesso));
    EXPECT_EQ(cano.ok, c.servido);
    EXPECT_EQ(servido, c.servido);
    EXPECT_EQ(acesso.ok, c.le);
  }
}

}  // namespace
}  // namespace norva::ferramentas
