#include "apps/windows/src/higiene_do_registro/chaves_sensiveis.h"

#include <array>

namespace norva::higiene {
namespace {

constexpr std::size_t QUANTIDADE_DE_CHAVES = 56;

// Grouped by length in bytes, shortest first, so that a token is compared
// only with the keys of its own length.
constexpr std::array<std::string_view, QUANTIDADE_DE_CHAVES> CHAVES_SENSIVEIS = {
    "pin", "key", "pwd", "par",
    "nome", "peer", "link", "cano", "text",
    "senha", "token", "ufrag", "texto", "autor", "label",
    "passwd", "secret", "camera", "resumo", "author", "motivo",
    "ice-pwd", "ice_pwd", "destino", "emissor", "moniker", "message",
    "pin_fixo", "password", "endereco", "hostname", "fullname", "mensagem",
    "pin_texto", "ice-ufrag", "ice_ufrag", "device_id", "endereço",
    "shared_key", "credential", "identidade", "last_error",
    "pairing_key", "private_key", "credentials",
    "display_name",
    "pin_da_camera", "shared_secret", "authorization", "local_address", "prompter_nome",
    "ultimo_motivo",
    "pairing_secret", "remote_address",
    "local_candidate",
    "remote_candidate",
};

constexpr bool agrupadas_por_tamanho() {
  for (std::size_t i = 0; i < CHAVES_SENSIVEIS.size(); ++i) {
    const std::size_t t = CHAVES_SENSIVEIS[i].size();
    if (t < MENOR_CHAVE || t > MAIOR_CHAVE) return false;
    if (i > 0 && CHAVES_SENSIVEIS[i - 1].size() > t) return false;
  }
  return true;
}
static_assert(agrupadas_por_tamanho());

// Where the keys of each length start in CHAVES_SENSIVEIS; the keys of length
// t are [INICIO_POR_TAMANHO[t], INICIO_POR_TAMANHO[t + 1]).
constexpr std::array<std::size_t, MAIOR_CHAVE + 2> INICIO_POR_TAMANHO = [] {
  std::array<std::size_t, MAIOR_CHAVE + 2> inicio{};
  for (std::size_t t = 0; t < inicio.size(); ++t) {
    std::size_t i = 0;
    while (i < CHAVES_SENSIVEIS.size() && CHAVES_SENSIVEIS[i].size() < t) ++i;
    inicio[t] = i;
  }
  return inicio;
}();

constexpr char minuscula_ascii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool e_chave_sensivel(std::string_view token) noexcept {
  const std::size_t t = token.size();
  if (t < MENOR_CHAVE || t > MAIOR_CHAVE) return false;
  std::array<char, MAIOR_CHAVE> copia{};
  for (std::size_t i = 0; i < t; ++i) copia[i] = minuscula_ascii(token[i]);
  const std::string_view minusculo(copia.data(), t);
  for (std::size_t i = INICIO_POR_TAMANHO[t]; i < INICIO_POR_TAMANHO[t + 1]; ++i) {
    if (CHAVES_SENSIVEIS[i] == minusculo) return true;
  }
  return false;
}

bool e_chave_pin(std::string_view token) noexcept {
  if (token.size() != CHAVE_PIN.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (minuscula_ascii(token[i]) != CHAVE_PIN[i]) return false;
  }
  return true;
}

}  // namespace norva::higiene
