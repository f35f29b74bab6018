#include "fonte/src/registro/teste/registro_de_apoio_windows.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/destino_do_registro.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

constexpr DWORD TAMANHO_DA_LEITURA = 64 * 1024;
constexpr std::wstring_view PREFIXO_LONGO = L"\\\\?\\";

void apagar_arvore(const std::wstring& pasta) {
  WIN32_FIND_DATAW achado{};
  const HANDLE busca = FindFirstFileW((pasta + L"\\*").c_str(), &achado);
  if (busca != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring nome = achado.cFileName;
      if (nome == L"." || nome == L"..") continue;
      const std::wstring filho = pasta + L"\\" + nome;
      if (achado.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        apagar_arvore(filho);
      } else {
        SetFileAttributesW(filho.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(filho.c_str());
      }
    } while (FindNextFileW(busca, &achado));
    FindClose(busca);
  }
  RemoveDirectoryW(pasta.c_str());
}

}  // namespace

std::string conteudo_do_arquivo(const std::wstring& caminho) {
  std::string tudo;
  const HANDLE h = CreateFileW(caminho.c_str(), GENERIC_READ, COMPARTILHAMENTO_TOTAL, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return tudo;
  std::string pedaco(TAMANHO_DA_LEITURA, '\0');
  DWORD lidos = 0;
  while (ReadFile(h, pedaco.data(), TAMANHO_DA_LEITURA, &lidos, nullptr) && lidos > 0) tudo.append(pedaco.data(), lidos);
  CloseHandle(h);
  return tudo;
}

std::vector<std::string> linhas_do_registro() {
  const std::string tudo =
      conteudo_do_arquivo(std::wstring(pasta_do_registro()) + L"\\" + std::wstring(ARQUIVO_DO_REGISTRO));
  std::vector<std::string> linhas;
  for (std::size_t inicio = 0, fim = 0; inicio < tudo.size(); inicio = fim + 1) {
    fim = std::min(tudo.find('\n', inicio), tudo.size());
    linhas.emplace_back(tudo, inicio, fim - inicio);
  }
  return linhas;
}

std::vector<std::string> mensagens_registradas() {
  std::vector<std::string> mensagens;
  for (const std::string& linha : linhas_do_registro()) {
    const auto lida = ler_linha(linha);
    if (lida && lida->pid == GetCurrentProcessId()) mensagens.push_back(lida->mensagem);
  }
  return mensagens;
}

std::wstring longo(const std::wstring& caminho) {
  return caminho.starts_with(PREFIXO_LONGO) ? caminho : std::wstring(PREFIXO_LONGO) + caminho;
}

PastaTemporaria::PastaTemporaria() {
  std::wstring temporaria(MAX_PATH + 1, L'\0');
  temporaria.resize(GetTempPathW(static_cast<DWORD>(temporaria.size()), temporaria.data()));
  if (!temporaria.empty() && temporaria.back() == L'\\') temporaria.pop_back();
  const std::string nome = nome_unico("norva-registro");
  caminho_ = temporaria + L"\\" + std::wstring(nome.begin(), nome.end());
  CreateDirectoryW(caminho_.c_str(), nullptr);
}

PastaTemporaria::~PastaTemporaria() { apagar_arvore(longo(caminho_)); }

std::wstring pasta_deste_programa() {
  std::wstring caminho(32768, L'\0');
  caminho.resize(GetModuleFileNameW(nullptr, caminho.data(), static_cast<DWORD>(caminho.size())));
  return caminho.substr(0, caminho.rfind(L'\\'));
}

HANDLE iniciar_processo(const std::wstring& programa, const std::wstring& argumentos) {
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  std::wstring linha = L"\"" + programa + L"\" " + argumentos;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(programa.c_str(), linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &inicio, &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  return info.hProcess;
}

std::optional<FimDoFilho> executar(const std::wstring& programa, const std::wstring& argumentos,
                                   std::chrono::milliseconds limite) {
  const HANDLE processo = iniciar_processo(programa, argumentos);
  if (processo == nullptr) return std::nullopt;
  FimDoFilho fim{GetProcessId(processo), 0};
  const bool terminou = WaitForSingleObject(processo, static_cast<DWORD>(limite.count())) == WAIT_OBJECT_0 &&
                        GetExitCodeProcess(processo, &fim.codigo_de_saida);
  CloseHandle(processo);
  return terminou ? std::optional(fim) : std::nullopt;
}

long threads_do_processo() {
  long n = 0;
  HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entrada{};
  entrada.dwSize = sizeof entrada;
  for (BOOL ha = Thread32First(foto, &entrada); ha; ha = Thread32Next(foto, &entrada)) {
    n += entrada.th32OwnerProcessID == GetCurrentProcessId();
  }
  CloseHandle(foto);
  return n;
}

MedidasDoProcesso medir_processo() {
  MedidasDoProcesso m{.threads = threads_do_processo()};
  // Wine 8 answers GetProcessHandleCount with 0: there every handle value is
  // probed instead (small multiples of 4, handed out lowest first).
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) {
    m.handles = static_cast<long>(handles);
  } else {
    for (std::uintptr_t valor = 4; valor <= 0x10000; valor += 4) {
      DWORD sinais = 0;
      m.handles += GetHandleInformation(reinterpret_cast<HANDLE>(valor), &sinais) != FALSE;
    }
  }
  // Committed private memory, region by region (Wine 8 reports no PrivateUsage).
  MEMORY_BASIC_INFORMATION regiao{};
  for (const char* endereco = nullptr; VirtualQuery(endereco, &regiao, sizeof regiao) == sizeof regiao;
       endereco = static_cast<const char*>(regiao.BaseAddress) + regiao.RegionSize) {
    if (regiao.State == MEM_COMMIT && regiao.Type == MEM_PRIVATE) {
      m.bytes_privados += static_cast<long long>(regiao.RegionSize);
    }
  }
  return m;
}

}  // namespace norva::teste
