// The reference writer's command line.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace norva::ferramentas {

struct OpcoesDoEscritor {
  static constexpr std::uint32_t QUADROS_POR_SEGUNDO_PADRAO = 30;
  static constexpr std::uint32_t QUADROS_POR_SEGUNDO_MAXIMO = 1000;
  static constexpr std::uint32_t CAMERAS_MAXIMO = 16;

  bool ajuda = false;
  std::optional<std::string> nome_amigavel;  // absent: the default pipe
  std::uint32_t quadros_por_segundo = QUADROS_POR_SEGUNDO_PADRAO;
  std::optional<std::string> arquivo;        // absent: the generated test card
  std::optional<std::uint64_t> limite;       // stop after this many frames
  std::uint32_t cameras = 1;                 // start once this many cameras read the pipe
};

// `argumentos` without the program's name, UTF-8. The error is one line for
// the user.
std::expected<OpcoesDoEscritor, std::string> ler_opcoes(const std::vector<std::string>& argumentos);

// The --help text.
std::string texto_de_ajuda();

}  // namespace norva::ferramentas
