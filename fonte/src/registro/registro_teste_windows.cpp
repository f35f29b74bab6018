// Windows: this process's messages, read back from the real log file.
#include <windows.h>

#include <fstream>
#include <string>

#include "fonte/src/registro/registro_teste.h"

namespace norva::teste {

std::vector<std::string> mensagens_registradas() {
  std::vector<std::string> mensagens;
  std::ifstream arquivo("C:\\ProgramData\\Norva\\camera-fonte.log", std::ios::binary);
  const std::string marca = " pid=" + std::to_string(GetCurrentProcessId()) + " ";
  std::string linha;
  while (std::getline(arquivo, linha)) {
    if (linha.find(marca) == std::string::npos) continue;
    const auto fim_do_prefixo = linha.find("] ");
    if (fim_do_prefixo == std::string::npos) continue;
    mensagens.push_back(linha.substr(fim_do_prefixo + 2));
  }
  return mensagens;
}

}  // namespace norva::teste
