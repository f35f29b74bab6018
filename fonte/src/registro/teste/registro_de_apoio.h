// Test support: the messages this process has logged, in order, as they
// reached the log (after the sanitiser, without the line's prefix).
//   windows: read back from the log file, keeping this process's lines
//            (found by their pid).
//   host:    the lines Registro::escrever produced in this process (the host
//            build keeps them in memory instead of writing a file).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norva::teste {

std::vector<std::string> mensagens_registradas();

// How many of this process's messages equal `mensagem` exactly.
std::size_t contar_mensagem(const std::string& mensagem);

// `base`, this process's id and a count of the calls made in this process:
// a name for a temporary file or folder, a pipe or a friendly name that no
// other test process running at the same time uses.
std::string nome_unico(std::string_view base);

// One line of the log file taken apart.
struct LinhaLida {
  std::string etiqueta;
  std::uint32_t pid = 0;
  std::uint32_t tid = 0;
  std::string mensagem;
};

// `linha` (without its line feed) taken apart; nothing when it lacks the
// stamp's width, a separator or a decimal id. The stamp's and the line's
// exact layout are the writer's tests' business.
std::optional<LinhaLida> ler_linha(std::string_view linha);

}  // namespace norva::teste
