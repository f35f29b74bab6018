#include "fonte/src/registro/processo_filho.h"

#include "fonte/src/registro/registro_teste.h"

#include <utility>
#include <vector>

namespace norva::teste {
namespace {

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
  std::vector<wchar_t> buffer(32768);
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring caminho(buffer.data(), n);
  return caminho.substr(0, caminho.rfind(L'\\'));
}

std::optional<ProcessoFilho> ProcessoFilho::iniciar(const std::wstring& programa, const std::wstring& argumentos) {
  ProcessoFilho filho;
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  std::wstring linha = L"\"" + programa + L"\" " + argumentos;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(programa.c_str(), linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &inicio, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  filho.processo_ = info.hProcess;
  filho.pid_ = info.dwProcessId;
  return std::optional<ProcessoFilho>(std::move(filho));
}

ProcessoFilho::ProcessoFilho(ProcessoFilho&& outro) noexcept
    : processo_(std::exchange(outro.processo_, nullptr)),
      pid_(outro.pid_) {}

ProcessoFilho::~ProcessoFilho() {
  if (processo_ != nullptr) CloseHandle(processo_);
}

std::optional<DWORD> ProcessoFilho::esperar(std::chrono::milliseconds limite) {
  if (WaitForSingleObject(processo_, static_cast<DWORD>(limite.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD codigo = 0;
  if (!GetExitCodeProcess(processo_, &codigo)) return std::nullopt;
  return codigo;
}

}  // namespace norva::teste
