// The writer on Windows: the file routine on private folders (creation of
// every level, the folder's access list, append without truncation, failures
// and planted links that write nothing), and Registro::escrever into this test
// program's own log file (its children write there too), where each test
// finds its own lines by pid.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fonte/src/registro/acesso_da_pasta.h"
#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/destino_do_registro.h"
#include "fonte/src/registro/linha_do_registro.h"
#include "fonte/src/registro/processo_filho.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/registro_teste.h"
#include "fonte/src/registro/registro_teste_windows.h"

namespace norva {
namespace {

using namespace std::chrono_literals;

constexpr auto LIMITE_DO_FILHO = 120s;
constexpr std::wstring_view NOME_DO_ARQUIVO = L"camera-fonte.log";

bool e_pasta(const std::wstring& caminho) {
  const DWORD atributos = GetFileAttributesW(caminho.c_str());
  return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void criar_arquivo(const std::wstring& caminho, std::string_view conteudo) {
  const HANDLE h = CreateFileW(caminho.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD escritos = 0;
  ASSERT_TRUE(WriteFile(h, conteudo.data(), static_cast<DWORD>(conteudo.size()), &escritos, nullptr));
  CloseHandle(h);
}

std::wstring caminho_em(const std::wstring& pasta) { return pasta + L"\\" + std::wstring(NOME_DO_ARQUIVO); }

TEST(CriarPastaComNiveis, CriaCadaNivelQueFaltaEAceitaOQueExiste) {
  const teste::PastaTemporaria temporaria;
  const std::wstring a = temporaria.caminho() + L"\\a";
  const std::wstring b = a + L"\\b\u00E7";
  const std::wstring c = b + L"\\c";
  criar_pasta_com_niveis(c);
  EXPECT_TRUE(e_pasta(a));
  EXPECT_TRUE(e_pasta(b));
  EXPECT_TRUE(e_pasta(c));
  criar_pasta_com_niveis(c);  // already there: nothing to do, nothing breaks
  EXPECT_TRUE(e_pasta(c));
}

TEST(AcrescentarLinha, PrimeiraChamadaCriaPastaEArquivoComUmaLinha) {
  const teste::PastaTemporaria temporaria;
  const std::wstring pasta = temporaria.caminho() + L"\\ProgramData\\Norva";
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, "primeira linha\n");
  EXPECT_EQ(teste::conteudo_do_arquivo(caminho_em(pasta)), "primeira linha\n");
}

// What each account may do, by meaning: full control for the system and the
// administrators; for everyone who logs, list, read and create files in the
// folder, and read and append on its files; the owner of a file no more than
// read (so whoever created the log cannot lock the others out); nothing for
// anyone else.
struct DireitosEsperados {
  const char* conta;
  const wchar_t* sid;
  DWORD na_pasta;
  DWORD nos_arquivos;
};

constexpr DWORD QUEM_REGISTRA_NA_PASTA = FILE_GENERIC_READ | FILE_TRAVERSE | FILE_ADD_FILE;
constexpr DWORD QUEM_REGISTRA_NOS_ARQUIVOS = FILE_GENERIC_READ | FILE_APPEND_DATA;
constexpr DireitosEsperados DIREITOS[] = {
    {"SYSTEM", L"S-1-5-18", FILE_ALL_ACCESS, FILE_ALL_ACCESS},
    {"Administrators", L"S-1-5-32-544", FILE_ALL_ACCESS, FILE_ALL_ACCESS},
    {"Authenticated Users", L"S-1-5-11", QUEM_REGISTRA_NA_PASTA, QUEM_REGISTRA_NOS_ARQUIVOS},
    {"LOCAL SERVICE", L"S-1-5-19", QUEM_REGISTRA_NA_PASTA, QUEM_REGISTRA_NOS_ARQUIVOS},
    {"OWNER RIGHTS", L"S-1-3-4", FILE_GENERIC_READ, FILE_GENERIC_READ},
    {"Everyone", L"S-1-1-0", 0, 0},
    {"Users", L"S-1-5-32-545", 0, 0},
    {"CREATOR OWNER", L"S-1-3-0", 0, 0},
};

// Checks a folder's access list against the table: it is protected (nothing
// inherited from above), the folder's rights are its allowed entries that
// are not inherit-only, the files' rights those that files inherit, and
// every account that appends can open the log as the writer does.
void conferir_lista(PSECURITY_DESCRIPTOR descritor) {
  SECURITY_DESCRIPTOR_CONTROL controle = 0;
  DWORD revisao = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descritor, &controle, &revisao));
  EXPECT_NE(controle & SE_DACL_PROTECTED, 0) << "inherits from the folder above";
  BOOL presente = FALSE;
  BOOL padrao = FALSE;
  PACL lista = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descritor, &presente, &lista, &padrao));
  ASSERT_TRUE(presente && lista != nullptr);
  for (const DireitosEsperados& e : DIREITOS) {
    PSID sid = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(e.sid, &sid));
    DWORD na_pasta = 0;
    DWORD nos_arquivos = 0;
    for (DWORD i = 0; i < lista->AceCount; ++i) {
      ACCESS_ALLOWED_ACE* entrada = nullptr;
      ASSERT_TRUE(GetAce(lista, i, reinterpret_cast<void**>(&entrada)));
      ASSERT_EQ(entrada->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << e.conta;
      if (!EqualSid(sid, &entrada->SidStart)) continue;
      if ((entrada->Header.AceFlags & INHERIT_ONLY_ACE) == 0) na_pasta |= entrada->Mask;
      if ((entrada->Header.AceFlags & OBJECT_INHERIT_ACE) != 0) nos_arquivos |= entrada->Mask;
    }
    LocalFree(sid);
    EXPECT_EQ(na_pasta, e.na_pasta) << e.conta << " on the folder";
    EXPECT_EQ(nos_arquivos, e.nos_arquivos) << e.conta << " on its files";
    if ((e.nos_arquivos & FILE_APPEND_DATA) != 0) {
      EXPECT_EQ(nos_arquivos & ACESSO_SO_ACRESCIMO, ACESSO_SO_ACRESCIMO) << e.conta << " cannot open the log";
    }
  }
}

TEST(AcessoDaPasta, DescritorQueOEscritorDa) {
  const DescritorDeSeguranca descritor = descritor_da_pasta();
  ASSERT_TRUE(descritor);
  conferir_lista(descritor.get());
}

TEST(AcrescentarLinha, NuncaTruncaEMantemAOrdem) {
  const teste::PastaTemporaria temporaria;
  criar_arquivo(caminho_em(temporaria.caminho()), "de antes\n");
  acrescentar_linha(temporaria.caminho(), NOME_DO_ARQUIVO, "um\n");
  acrescentar_linha(temporaria.caminho(), NOME_DO_ARQUIVO, "dois\n");
  EXPECT_EQ(teste::conteudo_do_arquivo(caminho_em(temporaria.caminho())), "de antes\num\ndois\n");
}

TEST(AcrescentarLinha, LinhaLongaChegaInteira) {
  constexpr std::size_t TAMANHO = 300'000;
  const teste::PastaTemporaria temporaria;
  std::string linha(TAMANHO, 'x');
  linha.back() = '\n';
  acrescentar_linha(temporaria.caminho(), NOME_DO_ARQUIVO, linha);
  EXPECT_EQ(teste::conteudo_do_arquivo(caminho_em(temporaria.caminho())), linha);
}

// A situation in which the line must not land. `preparar` sets it up in a
// private folder and returns the folder to pass plus whatever must stay
// alive during the call; afterwards the file, read through its path, must
// hold `esperado`. (Wine 8 makes no symbolic links or junctions: the refusal
// of reparse points can only be shown on Windows.)
struct CasoDeFalha {
  const char* nome;
  std::function<std::pair<std::wstring, std::shared_ptr<void>>(const std::wstring& temporaria)> preparar;
  std::string esperado;
};

void PrintTo(const CasoDeFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaDoArquivo : public testing::TestWithParam<CasoDeFalha> {};

TEST_P(FalhaDoArquivo, RetornaSemEscreverNada) {
  const teste::PastaTemporaria temporaria;
  auto [pasta, manter] = GetParam().preparar(temporaria.caminho());
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, "nao deve chegar\n");
  manter.reset();
  EXPECT_EQ(teste::conteudo_do_arquivo(caminho_em(pasta)), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, FalhaDoArquivo,
    testing::Values(
        CasoDeFalha{"pasta_ocupada_por_arquivo",
                    [](const std::wstring& t) {
                      criar_arquivo(t + L"\\Norva", "sou um arquivo\n");
                      return std::pair{t + L"\\Norva", std::shared_ptr<void>()};
                    },
                    ""},
        CasoDeFalha{"nivel_acima_ocupado_por_arquivo",
                    [](const std::wstring& t) {
                      criar_arquivo(t + L"\\ProgramData", "sou um arquivo\n");
                      return std::pair{t + L"\\ProgramData\\Norva", std::shared_ptr<void>()};
                    },
                    ""},
        CasoDeFalha{"pasta_no_lugar_do_arquivo",
                    [](const std::wstring& t) {
                      CreateDirectoryW(caminho_em(t).c_str(), nullptr);
                      return std::pair{t, std::shared_ptr<void>()};
                    },
                    ""},
        CasoDeFalha{"aberto_sem_compartilhamento",
                    [](const std::wstring& t) {
                      const std::wstring arquivo = caminho_em(t);
                      criar_arquivo(arquivo, "trancado\n");
                      const HANDLE h =
                          CreateFileW(arquivo.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                      EXPECT_NE(h, INVALID_HANDLE_VALUE);
                      return std::pair{t, std::shared_ptr<void>(h, CloseHandle)};
                    },
                    "trancado\n"},
        // Planted by a user who wants a privileged writer to append to a file
        // of their choice.
        CasoDeFalha{"arquivo_com_segundo_nome",
                    [](const std::wstring& t) {
                      criar_arquivo(t + L"\\alvo", "alvo\n");
                      EXPECT_TRUE(CreateHardLinkW(caminho_em(t).c_str(), (t + L"\\alvo").c_str(), nullptr));
                      return std::pair{t, std::shared_ptr<void>()};
                    },
                    "alvo\n"}));

// This process's lines of its log that carry exactly `mensagem`.
std::vector<teste::LinhaLida> minhas_linhas_com(const std::string& mensagem) {
  std::vector<teste::LinhaLida> achadas;
  for (const std::string& linha : teste::linhas_do_registro()) {
    auto lida = teste::ler_linha(linha);
    if (lida && lida->pid == GetCurrentProcessId() && lida->mensagem == mensagem) achadas.push_back(*lida);
  }
  return achadas;
}

std::string carimbo_agora() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return formatar_carimbo({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds});
}

TEST(RegistroEscrever, UmaLinhaComCarimboEtiquetaPidETid) {
  const std::string mensagem = "teste de layout " + std::to_string(GetTickCount64());
  const std::string antes = carimbo_agora();
  Registro::escrever(mensagem);
  const std::string depois = carimbo_agora();

  EXPECT_TRUE(e_pasta(std::wstring(pasta_do_registro())));
  const auto linhas = minhas_linhas_com(mensagem);
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_EQ(linhas[0].etiqueta, "outro-consumidor");  // this test program's name
  EXPECT_EQ(linhas[0].tid, GetCurrentThreadId());
  // The stamp's layout sorts as text, so the reading lies between the two.
  EXPECT_LE(antes, linhas[0].carimbo);
  EXPECT_GE(depois, linhas[0].carimbo);
  // One line feed, no carriage return.
  const std::string tudo = teste::conteudo_do_arquivo(teste::caminho_do_registro());
  EXPECT_NE(tudo.find("] " + mensagem + "\n"), std::string::npos);
  EXPECT_EQ(tudo.find("] " + mensagem + "\r"), std::string::npos);
}

TEST(RegistroEscrever, LinhasNaOrdemDasChamadasEArquivoSoCresce) {
  Registro::escrever("antes da leitura");  // the file exists from here on
  const std::string antes = teste::conteudo_do_arquivo(teste::caminho_do_registro());
  ASSERT_FALSE(antes.empty());
  const std::vector<std::string> mensagens = {"ordem um", "ordem dois", "ordem tres"};
  for (const auto& m : mensagens) Registro::escrever(m);
  const std::string depois = teste::conteudo_do_arquivo(teste::caminho_do_registro());
  // Whatever other processes appended meanwhile, what was there is untouched.
  ASSERT_GE(depois.size(), antes.size());
  EXPECT_TRUE(depois.starts_with(antes));
  const auto minhas = teste::mensagens_registradas();
  ASSERT_GE(minhas.size(), mensagens.size());
  EXPECT_EQ(std::vector<std::string>(minhas.end() - 3, minhas.end()), mensagens);
}

TEST(RegistroEscrever, MensagemDeVariasLinhasViraUmaLinha) {
  Registro::escrever("parte um\nparte dois\r\nparte tres\n");
  Registro::escrever("");
  const auto minhas = teste::mensagens_registradas();
  ASSERT_GE(minhas.size(), 2u);
  EXPECT_EQ(minhas[minhas.size() - 2], "parte um | parte dois | parte tres");
  EXPECT_EQ(minhas.back(), "");  // an empty message ends the line right after "] "
}

std::wstring auxiliar() { return teste::pasta_deste_programa() + L"\\norva_registro_auxiliar.exe"; }

std::wstring largo(std::string_view texto) { return std::wstring(texto.begin(), texto.end()); }

struct CasoDeConsumidor {
  const char* nome;
  const wchar_t* executavel;
  const char* etiqueta;
};

void PrintTo(const CasoDeConsumidor& c, std::ostream* os) { *os << c.nome; }

class EtiquetaPeloExecutavel : public testing::TestWithParam<CasoDeConsumidor> {};

TEST_P(EtiquetaPeloExecutavel, FilhoCopiadoComEsseNome) {
  const CasoDeConsumidor& c = GetParam();
  const teste::PastaTemporaria temporaria;
  const std::wstring copia = temporaria.caminho() + L"\\" + c.executavel;
  ASSERT_TRUE(CopyFileW(auxiliar().c_str(), copia.c_str(), FALSE));
  const std::string marca = std::string("etiqueta-") + c.nome + "-" + std::to_string(GetCurrentProcessId());
  auto filho = teste::ProcessoFilho::iniciar(copia, L"escrever " + largo(marca) + L" 1");
  ASSERT_TRUE(filho.has_value());
  ASSERT_EQ(filho->esperar(LIMITE_DO_FILHO), std::optional<DWORD>(0));
  std::vector<teste::LinhaLida> achadas;
  for (const std::string& linha : teste::linhas_do_registro()) {
    auto lida = teste::ler_linha(linha);
    if (lida && lida->pid == filho->pid() && lida->mensagem == marca + " 1") achadas.push_back(*lida);
  }
  ASSERT_EQ(achadas.size(), 1u);
  EXPECT_EQ(achadas[0].etiqueta, c.etiqueta);
}

INSTANTIATE_TEST_SUITE_P(Tabela, EtiquetaPeloExecutavel,
                         testing::Values(CasoDeConsumidor{"obs64", L"OBS64.EXE", "obs"},
                                         CasoDeConsumidor{"obs32", L"obs32.exe", "obs"},
                                         CasoDeConsumidor{"svchost", L"svchost.exe", "svchost"},
                                         CasoDeConsumidor{"dllhost", L"DllHost.exe", "dllhost"},
                                         CasoDeConsumidor{"norva_app", L"norva-app.exe", "norva"},
                                         CasoDeConsumidor{"norva_vigia", L"norva-camera-vigia.exe", "norva"},
                                         CasoDeConsumidor{"obs", L"obs.exe", "outro-consumidor"},
                                         CasoDeConsumidor{"acentuado", L"c\u00E2mera.exe", "outro-consumidor"}));

}  // namespace
}  // namespace norva
