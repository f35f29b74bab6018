// Test support on Windows: the raw lines of a log file.
#pragma once

#include <string>
#include <vector>

namespace norva::teste {

// The bytes of the file at `caminho`; empty when it cannot be read.
std::string conteudo_do_arquivo(const std::wstring& caminho);

// The lines of the file at `caminho` (UTF-16 path), each without its line
// feed; empty when the file cannot be read.
std::vector<std::string> linhas_do_arquivo(const std::wstring& caminho);

// The log file this process's writer appends to: the machine-wide
// C:\ProgramData\Norva\camera-fonte.log, or in a test program that links
// the private destination, its own file.
std::wstring caminho_do_registro();
std::vector<std::string> linhas_do_registro();

}  // namespace norva::teste
