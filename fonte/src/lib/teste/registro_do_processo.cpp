#include "fonte/src/lib/teste/registro_do_processo.h"

#include <gtest/gtest.h>

#include <fstream>

namespace norva::teste {

namespace {
constexpr char ARQUIVO_DO_REGISTRO[] = "C:\\ProgramData\\Norva\\camera-fonte.log";
}  // namespace

std::uint64_t tamanho_do_registro() {
  std::ifstream arquivo(ARQUIVO_DO_REGISTRO, std::ios::binary | std::ios::ate);
  return arquivo ? static_cast<std::uint64_t>(arquivo.tellg()) : 0;
}

std::vector<std::string> mensagens_do_processo(DWORD pid, std::uint64_t desde) {
  std::vector<std::string> mensagens;
  std::ifstream arquivo(ARQUIVO_DO_REGISTRO, std::ios::binary);
  arquivo.seekg(static_cast<std::streamoff>(desde));
  const std::string marca = " pid=" + std::to_string(pid) + " ";
  std::string linha;
  while (std::getline(arquivo, linha)) {
    if (linha.find(marca) == std::string::npos) continue;
    const auto fim_do_prefixo = linha.find("] ");
    if (fim_do_prefixo == std::string::npos) continue;
    mensagens.push_back(linha.substr(fim_do_prefixo + 2));
  }
  return mensagens;
}

DWORD executar(const std::wstring& linha_de_comando, DWORD& pid, DWORD limite_ms) {
  std::wstring mutavel = linha_de_comando;  // CreateProcessW may write into it
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION processo{};
  if (!CreateProcessW(nullptr, mutavel.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &inicio, &processo)) {
    ADD_FAILURE() << "CreateProcessW failed: error " << GetLastError();
    return ~DWORD{0};
  }
  pid = processo.dwProcessId;
  DWORD codigo = ~DWORD{0};
  if (WaitForSingleObject(processo.hProcess, limite_ms) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "child process did not end in time";
    TerminateProcess(processo.hProcess, 1);
  } else {
    GetExitCodeProcess(processo.hProcess, &codigo);
  }
  CloseHandle(processo.hThread);
  CloseHandle(processo.hProcess);
  return codigo;
}

}  // namespace norva::teste
