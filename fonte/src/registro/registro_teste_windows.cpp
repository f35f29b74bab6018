// Windows: this process's messages, read back from the log file this
// process writes (the machine-wide one, or the test program's own). The
// file is read with full sharing, so writers in other processes are never
// refused while a test reads.
#include "fonte/src/registro/registro_teste_windows.h"

#include <windows.h>

#include <string_view>

#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/destino_do_registro.h"
#include "fonte/src/registro/registro_teste.h"

namespace norva::teste {
namespace {

constexpr DWORD TAMANHO_DA_LEITURA = 64 * 1024;

}  // namespace

std::string conteudo_do_arquivo(const std::wstring& caminho) {
  std::string tudo;
  const HANDLE h = CreateFileW(caminho.c_str(), GENERIC_READ, COMPARTILHAMENTO_TOTAL, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return tudo;
  std::string pedaco(TAMANHO_DA_LEITURA, '\0');
  DWORD lidos = 0;
  while (ReadFile(h, pedaco.data(), TAMANHO_DA_LEITURA, &lidos, nullptr) && lidos > 0) {
    tudo.append(pedaco.data(), lidos);
  }
  CloseHandle(h);
  return tudo;
}

std::vector<std::string> linhas_do_arquivo(const std::wstring& caminho) {
  const std::string tudo = conteudo_do_arquivo(caminho);
  std::vector<std::string> linhas;
  std::size_t inicio = 0;
  while (inicio < tudo.size()) {
    std::size_t fim = tudo.find('\n', inicio);
    if (fim == std::string::npos) fim = tudo.size();
    linhas.emplace_back(tudo, inicio, fim - inicio);
    inicio = fim + 1;
  }
  return linhas;
}

std::wstring caminho_do_registro() {
  std::wstring caminho(pasta_do_registro());
  caminho += L'\\';
  caminho += ARQUIVO_DO_REGISTRO;
  return caminho;
}

std::vector<std::string> linhas_do_registro() { return linhas_do_arquivo(caminho_do_registro()); }

std::vector<std::string> mensagens_registradas() {
  const DWORD pid = GetCurrentProcessId();
  std::vector<std::string> mensagens;
  for (const std::string& linha : linhas_do_registro()) {
    const auto lida = ler_linha(linha);
    if (lida && lida->pid == pid) mensagens.push_back(lida->mensagem);
  }
  return mensagens;
}

}  // namespace norva::teste
