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
#include <thread>
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

TEST(AcessoDaPasta, LidoDeVoltaDaPastaQueOEscritorCriou) {
  const teste::PastaTemporaria temporaria;
  const std::wstring pasta = temporaria.caminho() + L"\\Norva";
  acrescentar_linha(pasta, NOME_DO_ARQUIVO, "uma linha\n");
  ASSERT_EQ(teste::conteudo_do_arquivo(caminho_em(pasta)), "uma linha\n");
  PSECURITY_DESCRIPTOR lido = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(pasta.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  nullptr, nullptr, &lido),
            static_cast<DWORD>(ERROR_SUCCESS));
  const std::unique_ptr<void, decltype(&LocalFree)> liberar(lido, LocalFree);
  SECURITY_DESCRIPTOR_CONTROL controle = 0;
  DWORD revisao = 0;
  GetSecurityDescriptorControl(lido, &controle, &revisao);
  if (teste::sob_wine() && (controle & SE_DACL_PROTECTED) == 0) {
    LPSTR texto = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(lido, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &texto,
                                                         nullptr);
    const std::unique_ptr<void, decltype(&LocalFree)> liberar_texto(texto, LocalFree);
    GTEST_SKIP() << "Wine 8 keeps no access list on files: it maps the one given to Unix permissions and reads "
                    "back "
                 << (texto ? texto : "nothing");
  }
  conferir_lista(lido);
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

TEST(ArquivoSomenteLeitura, RetornaSemEscreverNada) {
  const teste::PastaTemporaria temporaria;
  const std::wstring arquivo = caminho_em(temporaria.caminho());
  criar_arquivo(arquivo, "ja estava\n");
  ASSERT_TRUE(SetFileAttributesW(arquivo.c_str(), FILE_ATTRIBUTE_READONLY));
  const HANDLE tentativa = CreateFileW(arquivo.c_str(), GENERIC_WRITE, COMPARTILHAMENTO_TOTAL, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
  if (tentativa != INVALID_HANDLE_VALUE) {
    CloseHandle(tentativa);
    GTEST_SKIP() << "this platform lets this user write to read-only files (Wine run as root maps the "
                    "attribute to Unix permissions, which root bypasses)";
  }
  acrescentar_linha(temporaria.caminho(), NOME_DO_ARQUIVO, "nao deve chegar\n");
  EXPECT_EQ(teste::conteudo_do_arquivo(arquivo), "ja estava\n");
}

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

// What came of numbered lines "<prefixo><k> <i>" (i from 1) written to the
// log by `autores[k]`: how many of each author's lines arrived, and
// every line that carries the prefix but is broken, from the wrong author,
// out of order or repeated.
struct Conferencia {
  std::vector<int> chegaram;
  std::vector<std::string> problemas;
};

Conferencia conferir_numeradas(const std::string& prefixo, const std::vector<DWORD>& autores, bool por_tid) {
  Conferencia c{std::vector<int>(autores.size(), 0), {}};
  std::vector<int> ultima(autores.size(), 0);
  const std::string formato = prefixo + "%d %d%c";
  for (const std::string& linha : teste::linhas_do_registro()) {
    if (linha.find(prefixo) == std::string::npos) continue;
    const auto lida = teste::ler_linha(linha);
    int k = -1;
    int i = 0;
    char resto = 0;
    if (!lida || std::sscanf(lida->mensagem.c_str(), formato.c_str(), &k, &i, &resto) != 2 || k < 0 ||
        static_cast<std::size_t>(k) >= autores.size()) {
      c.problemas.push_back("broken: " + linha);
    } else if ((por_tid ? lida->tid : lida->pid) != autores[k]) {
      c.problemas.push_back("wrong author: " + linha);
    } else if (i <= ultima[k]) {
      c.problemas.push_back("out of order or repeated: " + linha);
    } else {
      ultima[k] = i;
      ++c.chegaram[k];
    }
  }
  return c;
}

// Every line must arrive whole, in its author's order. Wine cannot show
// this: its append-only handles find the end of the file and then write
// there, so appenders racing each other overwrite whole or partial lines
// (real Windows places each write at the end atomically). Under Wine the
// figures are printed and the test is reported as skipped.
void julgar(const Conferencia& c, int linhas) {
  int perdidas = 0;
  for (const int n : c.chegaram) perdidas += linhas - n;
  if (teste::sob_wine()) {
    GTEST_SKIP() << "Wine's append is not atomic across handles: " << perdidas << " of "
                 << linhas * static_cast<int>(c.chegaram.size()) << " lines lost, " << c.problemas.size()
                 << " broken or misplaced";
  }
  for (const std::string& problema : c.problemas) ADD_FAILURE() << problema;
  for (std::size_t k = 0; k < c.chegaram.size(); ++k) EXPECT_EQ(c.chegaram[k], linhas) << "author " << k;
}

TEST(RegistroEscrever, CadaThreadComSeuTid) {
  constexpr int THREADS = 4;
  constexpr int LINHAS = 50;
  const std::string prefixo = "threads-" + std::to_string(GetCurrentProcessId()) + "-";
  std::vector<DWORD> tids(THREADS);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([t, &tids, &prefixo] {
      tids[t] = GetCurrentThreadId();
      for (int i = 1; i <= LINHAS; ++i) {
        Registro::escrever(prefixo + std::to_string(t) + " " + std::to_string(i));
      }
    });
  }
  for (auto& t : threads) t.join();
  julgar(conferir_numeradas(prefixo, tids, true), LINHAS);
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

// Four processes writing at once: every line arrives whole, none is lost,
// and each process's lines keep its order.
TEST(RegistroEscrever, QuatroProcessosAoMesmoTempo) {
  constexpr int PROCESSOS = 4;
  constexpr int LINHAS = 500;
  const std::string prefixo = "processos-" + std::to_string(GetCurrentProcessId()) + "-";
  std::vector<teste::ProcessoFilho> filhos;
  std::vector<DWORD> pids;
  for (int k = 0; k < PROCESSOS; ++k) {
    auto filho = teste::ProcessoFilho::iniciar(
        auxiliar(), L"escrever " + largo(prefixo + std::to_string(k)) + L" " + std::to_wstring(LINHAS));
    ASSERT_TRUE(filho.has_value());
    pids.push_back(filho->pid());
    filhos.push_back(std::move(*filho));
  }
  for (auto& filho : filhos) ASSERT_EQ(filho.esperar(LIMITE_DO_FILHO), std::optional<DWORD>(0));
  julgar(conferir_numeradas(prefixo, pids, false), LINHAS);
}

}  // namespace
}  // namespace norva
