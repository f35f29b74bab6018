// Test support: the messages this process has logged, in order, as they
// reached the log (after the sanitiser, without the line's prefix).
//   windows: read back from the real log file, keeping this process's lines
//            (found by " pid=<id> ").
//   host:    the lines Registro::escrever produced in this process (the host
//            build keeps them in memory instead of writing a file).
#pragma once

#include <string>
#include <vector>

namespace norva::teste {

std::vector<std::string> mensagens_registradas();

// How many of this process's messages equal `mensagem` exactly.
std::size_t contar_mensagem(const std::string& mensagem);

}  // namespace norva::teste
