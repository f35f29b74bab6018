// The writer on Windows: the file routine on private folders (creation of
// every level, append without truncation, failures and planted links that
// write nothing), the folder's access list, and Registro::escrever into this
// test program's own log file (its children write there too), where each test
// finds its own lines by pid.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fonte/src/registro/acesso_da_pasta.h"
#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/linha_do_registro.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

namespace norva {
namespace {

using namespace std::chrono_literals;

constexpr std::wstring_view NOME_DO_ARQUIVO = L"camera-fonte.log";

void criar_arquivo(const std::wstring& caminho, std::string_view conteudo) {
  const HANDLE h = CreateFileW(caminho.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD escritos = 0;
  ASSERT_TRUE(WriteFile(h, conteudo.data(), static_cast<DWORD>(conteudo.size()), &escritos, nullptr));
  CloseHandle(h);
}

std::wstring caminho_em(const std::wstring& pasta) { return pasta + L"\\" + std::wstring(NOME_DO_ARQUIVO); }

std::string lido_em(const std::wstring& pasta) { return teste::conteudo_do_arquivo(caminho_em(pasta)); }

TEST(AcrescentarLinha, CriaCadaNivelNuncaTruncaEEscreveLinhasLongasInteiras) {
  const teste::PastaTemporaria temporaria;
  const std::wstring pasta = temporaria.caminho() + L"\\ProgramData\\N\u00E7\\Norva";
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, "primeira linha\n");
  EXPECT_EQ(lido_em(pasta), "primeira linha\n");
  std::string longa(300'000, 'x');
  longa.back() = '\n';
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, "dois\n");
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, longa);
  EXPECT_EQ(lido_em(pasta), "primeira linha\ndois\n" + longa);
}

// What each account may do, by meaning: full control for the system and the
// administrators; for everyone who logs, list, read and create files in the
// folder, and read and append on its files; the owner of a file no more than
// read (so whoever created the log cannot lock the others out); nothing for
// anyone else. The list must be protected (nothing inherited from above).
// That the writer's own access fits in what the files grant is checked where
// it is defined, when it compiles.
TEST(AcessoDaPasta, DescritorQueOEscritorDa) {
  constexpr DWORD NA_PASTA = FILE_GENERIC_READ | FILE_TRAVERSE | FILE_ADD_FILE;
  constexpr DWORD NOS_ARQUIVOS = FILE_GENERIC_READ | FILE_APPEND_DATA;
  const struct {
    const wchar_t* sid;
    DWORD na_pasta;
    DWORD nos_arquivos;
  } direitos[] = {
      {L"S-1-5-18", FILE_ALL_ACCESS, FILE_ALL_ACCESS},      // SYSTEM
      {L"S-1-5-32-544", FILE_ALL_ACCESS, FILE_ALL_ACCESS},  // Administrators
      {L"S-1-5-11", NA_PASTA, NOS_ARQUIVOS},                // Authenticated Users
      {L"S-1-5-19", NA_PASTA, NOS_ARQUIVOS},                // LOCAL SERVICE
      {L"S-1-3-4", FILE_GENERIC_READ, FILE_GENERIC_READ},   // OWNER RIGHTS
      {L"S-1-1-0", 0, 0},                                   // Everyone
      {L"S-1-5-32-545", 0, 0},                              // Users
      {L"S-1-3-0", 0, 0},                                   // CREATOR OWNER
  };
  const DescritorDeSeguranca descritor = descritor_da_pasta();
  ASSERT_TRUE(descritor);
  SECURITY_DESCRIPTOR_CONTROL controle = 0;
  DWORD revisao = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descritor.get(), &controle, &revisao));
  EXPECT_NE(controle & SE_DACL_PROTECTED, 0) << "inherits from the folder above";
  BOOL presente = FALSE;
  BOOL padrao = FALSE;
  PACL lista = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descritor.get(), &presente, &lista, &padrao));
  ASSERT_TRUE(presente && lista != nullptr);
  for (const auto& e : direitos) {
    PSID sid = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(e.sid, &sid));
    DWORD na_pasta = 0;
    DWORD nos_arquivos = 0;
    for (DWORD i = 0; i < lista->AceCount; ++i) {
      ACCESS_ALLOWED_ACE* entrada = nullptr;
      ASSERT_TRUE(GetAce(lista, i, reinterpret_cast<void**>(&entrada)));
      ASSERT_EQ(entrada->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
      if (!EqualSid(sid, &entrada->SidStart)) continue;
      if ((entrada->Header.AceFlags & INHERIT_ONLY_ACE) == 0) na_pasta |= entrada->Mask;
      if ((entrada->Header.AceFlags & OBJECT_INHERIT_ACE) != 0) nos_arquivos |= entrada->Mask;
    }
    LocalFree(sid);
    EXPECT_EQ(na_pasta, e.na_pasta) << testing::PrintToString(e.sid) << " on the folder";
    EXPECT_EQ(nos_arquivos, e.nos_arquivos) << testing::PrintToString(e.sid) << " on its files";
  }
}

// Situations in which the line must not land: each in a private folder,
// after which the file must hold only what it held. (Wine 8 makes no symbolic
// links or junctions: the refusal of reparse points can only be shown on
// Windows.)
TEST(AcrescentarLinha, FalhasRetornamSemEscreverNada) {
  constexpr std::string_view LINHA = "nao deve chegar\n";
  {
    const teste::PastaTemporaria t;  // the file is open without sharing
    criar_arquivo(caminho_em(t.caminho()), "trancado\n");
    const HANDLE h = CreateFileW(caminho_em(t.caminho()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    acrescentar_linha(t.caminho(), NOME_DO_ARQUIVO, LINHA);
    CloseHandle(h);
    EXPECT_EQ(lido_em(t.caminho()), "trancado\n");
  }
  {
    // A second name planted by a user who wants a privileged writer to append
    // to a file of their choice.
    const teste::PastaTemporaria t;
    criar_arquivo(t.caminho() + L"\\alvo", "alvo\n");
    ASSERT_TRUE(CreateHardLinkW(caminho_em(t.caminho()).c_str(), (t.caminho() + L"\\alvo").c_str(), nullptr));
    acrescentar_linha(t.caminho(), NOME_DO_ARQUIVO, LINHA);
    EXPECT_EQ(lido_em(t.caminho()), "alvo\n");
  }
}

std::string carimbo_agora() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return formatar_carimbo({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds});
}

TEST(RegistroEscrever, UmaLinhaComCarimboEtiquetaPidETid) {
  const std::string mensagem = teste::nome_unico("teste de layout");
  const std::string antes = carimbo_agora();
  Registro::escrever(mensagem);
  const std::string depois = carimbo_agora();
  std::string linha;
  for (const std::string& l : teste::linhas_do_registro()) {
    if (l.ends_with("] " + mensagem)) linha = l;
  }
  // The stamp's layout sorts as text, so the reading lies between the two.
  const std::string carimbo = linha.substr(0, antes.size());
  EXPECT_LE(antes, carimbo);
  EXPECT_GE(depois, carimbo);
  // This test program's name has no tag of its own.
  EXPECT_EQ(linha, carimbo + " [outro-consumidor pid=" + std::to_string(GetCurrentProcessId()) +
                       " tid=" + std::to_string(GetCurrentThreadId()) + "] " + mensagem);
}

// The tag comes from the name of the executable that hosts the writer: a
// child copied under each name logs one line.
TEST(RegistroEscrever, EtiquetaPeloNomeDoExecutavel) {
  const struct {
    const wchar_t* executavel;
    const char* etiqueta;
  } casos[] = {{L"OBS64.EXE", "obs"}, {L"norva-camera-vigia.exe", "norva"}, {L"c\u00E2mera.exe", "outro-consumidor"}};
  const teste::PastaTemporaria temporaria;
  for (const auto& c : casos) {
    const std::wstring copia = temporaria.caminho() + L"\\" + c.executavel;
    const std::wstring auxiliar = teste::pasta_deste_programa() + L"\\norva_registro_auxiliar.exe";
    ASSERT_TRUE(CopyFileW(auxiliar.c_str(), copia.c_str(), FALSE));
    const std::string marca = teste::nome_unico("etiqueta");
    const auto fim = teste::executar(copia, std::wstring(marca.begin(), marca.end()), 120s);
    ASSERT_TRUE(fim.has_value());
    ASSERT_EQ(fim->codigo_de_saida, 0u);
    std::vector<std::string> etiquetas;
    for (const std::string& linha : teste::linhas_do_registro()) {
      const auto lida = teste::ler_linha(linha);
      if (lida && lida->pid == fim->pid && lida->mensagem == marca) etiquetas.push_back(lida->etiqueta);
    }
    EXPECT_EQ(etiquetas, std::vector<std::string>{c.etiqueta});
  }
}

}  // namespace
}  // namespace norva
