// Stage 2: words that are links of the product's scheme, long hexadecimal
// digests, IP or socket addresses, or Windows paths are replaced by markers.
//
// One left-to-right scan; separating characters and words that stay are
// copied in runs (from `copiado_ate`), a replaced word is cut out and its
// marker appended. Each word is judged by a fixed number of passes over it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/classes.h"
#include "apps/windows/src/higiene_do_registro/enderecos.h"
#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/marcas.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva {
namespace {

using higiene::FamiliaIp;

constexpr std::string_view ESQUEMA_DO_LINK = "norva://";
constexpr std::size_t MENOR_DIGEST = 32;  // hexadecimal digits
constexpr std::string_view INICIO_DE_UNC = "\\\\";
constexpr std::string_view UNIDADE_DE_DISCO = ":\\";

constexpr char minuscula_ascii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool e_link(std::string_view palavra) noexcept {
  if (palavra.size() < ESQUEMA_DO_LINK.size()) return false;
  for (std::size_t i = 0; i < ESQUEMA_DO_LINK.size(); ++i) {
    if (minuscula_ascii(palavra[i]) != ESQUEMA_DO_LINK[i]) return false;
  }
  return true;
}

bool e_digest(std::string_view palavra) noexcept {
  if (palavra.size() < MENOR_DIGEST) return false;
  for (const char c : palavra) {
    const char m = minuscula_ascii(c);
    if (!((m >= '0' && m <= '9') || (m >= 'a' && m <= 'f'))) return false;
  }
  return true;
}

bool e_caminho(std::string_view palavra) noexcept {
  return palavra.starts_with(INICIO_DE_UNC) || palavra.find(UNIDADE_DE_DISCO) != std::string_view::npos;
}

std::string_view marca_de(FamiliaIp familia) noexcept {
  return familia == FamiliaIp::V4 ? higiene::MARCA_IPV4 : higiene::MARCA_IPV6;
}

// What replaces a word: a marker, and for a socket address ":" and the port.
// An empty marker means that no rule takes the word.
struct Substituicao {
  std::string_view marca;
  std::optional<std::uint16_t> porta;
};

Substituicao substituicao_de(std::string_view palavra) noexcept {
  if (e_link(palavra)) return {higiene::MARCA_LINK, std::nullopt};
  if (e_digest(palavra)) return {higiene::MARCA_DIGEST, std::nullopt};
  std::string_view candidato = palavra;
  while (candidato.ends_with('.')) candidato.remove_suffix(1);
  if (const auto socket = higiene::endereco_de_socket(candidato)) {
    return {marca_de(socket->familia), socket->porta};
  }
  std::string_view nucleo = candidato;
  while (nucleo.starts_with('[') || nucleo.starts_with(']')) nucleo.remove_prefix(1);
  while (nucleo.ends_with('[') || nucleo.ends_with(']')) nucleo.remove_suffix(1);
  nucleo = nucleo.substr(0, nucleo.find('%'));  // an IPv6 zone is dropped
  if (higiene::e_ipv4(nucleo)) return {higiene::MARCA_IPV4, std::nullopt};
  if (higiene::e_ipv6(nucleo)) return {higiene::MARCA_IPV6, std::nullopt};
  if (e_caminho(palavra)) return {higiene::MARCA_CAMINHO, std::nullopt};
  return {};
}

void escrever(const Substituicao& s, std::string& saida) {
  saida.append(s.marca);
  if (s.porta) {
    saida.push_back(':');
    saida.append(std::to_string(*s.porta));
  }
}

}  // namespace

std::string Higiene::classificar_palavra(std::string_view palavra) {
  const Substituicao s = substituicao_de(palavra);
  if (s.marca.empty()) return std::string(palavra);
  std::string saida;
  escrever(s, saida);
  return saida;
}

std::string Higiene::ocultar_palavras(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  std::size_t copiado_ate = 0;
  std::size_t pos = 0;
  while (pos < texto.size()) {
    const std::size_t inicio = pos;
    while (pos < texto.size()) {
      const higiene::Caractere c = higiene::decodificar(texto, pos);
      if (!higiene::e_caractere_de_palavra(c.ponto)) break;
      pos += c.tamanho;
    }
    if (pos > inicio) {
      const Substituicao s = substituicao_de(texto.substr(inicio, pos - inicio));
      if (!s.marca.empty()) {
        saida.append(texto.substr(copiado_ate, inicio - copiado_ate));
        escrever(s, saida);
        copiado_ate = pos;
      }
    }
    if (pos < texto.size()) pos += higiene::decodificar(texto, pos).tamanho;  // a separator
  }
  saida.append(texto.substr(copiado_ate));
  return saida;
}

}  // namespace norva
