// diagnosticar's checks against private registry keys, folders and pipes of
// this process (pid + counter), under Wine as on Windows.
#include "ferramentas/norva-camera/verificacoes.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/norva-camera/acesso.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/acesso_da_pasta.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

std::wstring unico(const char* prefixo) { return largo_de_utf8(teste::nome_unico(prefixo)); }

// A security descriptor from its text form, freed at the end of scope.
struct Descritor {
  PSECURITY_DESCRIPTOR sd = nullptr;
  explicit Descritor(const std::wstring& sddl) {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr);
  }
  ~Descritor() { LocalFree(sd); }
  // Its list; null when it has none (or the text was not read).
  ACL* dacl() const {
    BOOL presente = FALSE;
    BOOL padrao = FALSE;
    ACL* lista = nullptr;
    return sd != nullptr && GetSecurityDescriptorDacl(sd, &presente, &lista, &padrao) && presente ? lista : nullptr;
  }
};

TEST(Diagnostico, ClasseEVersaoConformeORegistro) {
  teste::PastaTemporaria pasta;
  const std::wstring sem_versao = pasta.caminho() + L"\\sem_versao.dll";
  std::ofstream(std::filesystem::path(sem_versao)) << "not a DLL\n";
  const struct {
    std::wstring dll;  // registered; empty: nothing is
    std::string versao_esperada;
    bool classe_ok;
    const char* achado_da_classe;
    bool versao_ok;
    const char* achado_da_versao;
  } casos[] = {
      {L"", NORVA_VERSAO, false, "not registered", false, "no registered DLL"},
      {largo_de_utf8(NORVA_DLL), NORVA_VERSAO, true, "registered, ", true, NORVA_VERSAO},
      {largo_de_utf8(NORVA_DLL), "9.9.9", true, "registered, ", false, ", this tool is 9.9.9"},
      {pasta.caminho() + L"\\sumiu\\norva_camera_fonte.dll", NORVA_VERSAO, false, "registered DLL is missing: ", false,
       "no registered DLL"},
      {sem_versao, NORVA_VERSAO, true, "registered, ", false, "no version resource"},
  };
  for (const auto& c : casos) {
    const std::wstring raiz = L"SOFTWARE\\NorvaTeste\\" + unico("camera");
    const std::wstring chave = raiz + L"\\InprocServer32";
    if (!c.dll.empty()) {
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, chave.c_str(), nullptr, REG_SZ, c.dll.c_str(),
                                static_cast<DWORD>((c.dll.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    }
    std::optional<std::wstring> dll;
    const Verificacao classe = verificar_classe(chave, dll);
    const Verificacao versao = verificar_versao(dll, c.versao_esperada);
    // The lists as the file system keeps them, read from the DLL and its
    // folder. (Wine keeps only what Unix permissions express, so a list that
    // shuts LOCAL SERVICE out cannot be made here; the table below covers it.)
    const Verificacao leitura = verificar_leitura_pelo_servico(dll);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, raiz.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, raiz.c_str());
    SCOPED_TRACE(linha_da_verificacao(classe) + "\n" + linha_da_verificacao(versao));
    EXPECT_EQ(classe.ok, c.classe_ok);
    EXPECT_NE(classe.achado.find(c.achado_da_classe), std::string::npos);
    EXPECT_EQ(versao.ok, c.versao_ok);
    EXPECT_NE(versao.achado.find(c.achado_da_versao), std::string::npos);
    EXPECT_EQ(classe.correcao.empty(), classe.ok);
    EXPECT_EQ(versao.correcao.empty(), versao.ok);
    EXPECT_EQ(leitura.ok, c.classe_ok) << linha_da_verificacao(leitura);
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
    const Descritor d(sddl);
    ASSERT_NE(d.dacl(), nullptr) << sddl;
    EXPECT_EQ((direitos_do_servico_local(d.dacl()) & LEITURA_E_EXECUCAO) == LEITURA_E_EXECUCAO, le) << sddl;
  }
}

// Same ACEs in the same order and the same protection, nothing less.
TEST(Diagnostico, ListasComparadas) {
  const std::wstring pasta(SDDL_DA_PASTA_DO_REGISTRO);
  const auto trocar = [&](std::wstring_view de, std::wstring_view por) {
    return std::wstring(pasta).replace(pasta.find(de), de.size(), por);
  };
  const std::pair<std::wstring, bool> casos[] = {
      {pasta, true},
      {trocar(L"(A;OICI;0x120089;;;S-1-3-4)", L""), false},  // no OWNER RIGHTS
      {pasta + L"(A;OICI;FA;;;WD)", false},
      {trocar(L"D:P", L"D:"), false},  // inherits from above
      {trocar(L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", L"(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"), false},  // order
      {trocar(L"0x12008d;;;AU", L"0x12008f;;;AU"), false},  // write data
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
  const char* const achados[] = {"missing", "not a plain folder", "not the camera's"};
  teste::PastaTemporaria temporaria;
  for (int caso = 0; caso < 3; ++caso) {
    const std::wstring pasta = temporaria.caminho() + L"\\" + unico("Norva");
    if (caso == 1) std::ofstream(std::filesystem::path(pasta)) << "x";
    if (caso == 2) CreateDirectoryW(pasta.c_str(), nullptr);
    const Verificacao v = verificar_pasta_do_registro(pasta);
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.achado.find(achados[caso]), std::string::npos) << linha_da_verificacao(v);
  }
}

// A listening instance with a chosen access list stands for the writer (the
// checks never read from it). Its only instance taken by a client: still
// served, but its list cannot be read until an instance is free.
TEST(Diagnostico, CanoServidoEQuemPodeLe_lo) {
  const struct {
    const wchar_t* sddl;  // null: no pipe at all
    bool ocupado, servido, le;
  } casos[] = {
      {nullptr, false, false, false},
      {L"D:(A;;GA;;;BA)(A;;GR;;;LS)", false, true, true},
      {L"D:(A;;GA;;;BA)", false, true, false},
      {L"D:(A;;GA;;;BA)(A;;GW;;;LS)", false, true, false},  // write shares a few bits with read
      {L"D:(A;;GA;;;BA)(A;;GR;;;WD)", true, true, false},
  };
  for (const auto& c : casos) {
    const std::string nome = teste::nome_unico("norva-teste-camera");
    std::optional<ServidorDoCano> servidor;
    if (c.sddl != nullptr) servidor.emplace(nome_do_cano(nome), c.sddl);
    ASSERT_TRUE(!servidor || servidor->preparar() == 0);
    // The only instance taken: a client opens it and the writer accepts it.
    const std::unique_ptr<void, decltype(&CloseHandle)> cliente(
        c.ocupado ? CreateFileW(largo_de_utf8(nome_do_cano(nome)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr)
                  : nullptr,
        CloseHandle);
    const auto conexao = c.ocupado ? servidor->aceitar(std::chrono::seconds(10)) : nullptr;
    ASSERT_EQ(conexao != nullptr, c.ocupado);
    bool servido = false;
    const Verificacao cano = verificar_cano(nome, servido);
    const Verificacao acesso = verificar_acesso_ao_cano(nome, servido);
    SCOPED_TRACE(linha_da_verificacao(cano) + "\n" + linha_da_verificacao(acesso));
    EXPECT_EQ(cano.ok, c.servido);
    EXPECT_EQ(servido, c.servido);
    EXPECT_EQ(acesso.ok, c.le);
  }
}

}  // namespace
}  // namespace norva::ferramentas
