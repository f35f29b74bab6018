// norva-camera's command line: one subcommand and its options.
//
//   norva-camera criar --name NAME [--lifetime session|system] [--access user|all]
//   norva-camera remover --name NAME
//   norva-camera diagnosticar [--name NAME]
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace norva::ferramentas {

enum class Subcomando { Criar, Remover, Diagnosticar };
// How long a created camera lives: until the tool ends, or until removed.
enum class Duracao { Sessao, Sistema };
// Who sees a created camera: the user who created it, or every user.
enum class Acesso { Usuario, Todos };

struct OpcoesDaCamera {
  Subcomando subcomando = Subcomando::Diagnosticar;
  std::optional<std::string> nome;  // the camera's friendly name, UTF-8
  Duracao duracao = Duracao::Sessao;
  Acesso acesso = Acesso::Usuario;
};

// `argumentos` without the program's name, UTF-8. The error is one line for
// the user.
std::expected<OpcoesDaCamera, std::string> ler_opcoes_da_camera(const std::vector<std::string>& argumentos);

// The usage text, several lines.
std::string uso_da_camera();

}  // namespace norva::ferramentas
