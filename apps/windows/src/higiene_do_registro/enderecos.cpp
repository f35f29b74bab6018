#include "apps/windows/src/higiene_do_registro/enderecos.h"

#include <cstddef>

namespace norva::higiene {
namespace {

constexpr std::uint32_t MAIOR_OCTETO = 255;
constexpr std::size_t MAXIMO_DE_DIGITOS_DO_OCTETO = 3;
constexpr std::size_t OCTETOS_DO_IPV4 = 4;
constexpr std::size_t MAXIMO_DE_DIGITOS_DO_GRUPO = 4;
constexpr std::size_t GRUPOS_DO_IPV6 = 8;
constexpr std::size_t GRUPOS_OCUPADOS_PELO_IPV4 = 2;
constexpr std::uint64_t MAIOR_PORTA = 65535;
constexpr std::uint64_t MAIOR_ZONA = 4294967295;
constexpr std::uint64_t BASE_DECIMAL = 10;
constexpr std::size_t SEM_GRUPOS = static_cast<std::size_t>(-1);

bool e_digito(char c) noexcept { return c >= '0' && c <= '9'; }

bool e_hexadecimal(char c) noexcept {
  return e_digito(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One or more decimal digits whose value is at most `maximo`; leading zeros
// allowed. Any number of digits is read without overflow.
std::optional<std::uint64_t> numero_decimal(std::string_view texto, std::uint64_t maximo) noexcept {
  if (texto.empty()) return std::nullopt;
  std::uint64_t valor = 0;
  for (const char c : texto) {
    if (!e_digito(c)) return std::nullopt;
    valor = valor * BASE_DECIMAL + static_cast<std::uint64_t>(c - '0');
    if (valor > maximo) return std::nullopt;
  }
  return valor;
}

bool e_octeto(std::string_view texto) noexcept {
  if (texto.empty() || texto.size() > MAXIMO_DE_DIGITOS_DO_OCTETO) return false;
  if (texto.size() > 1 && texto.front() == '0') return false;
  return numero_decimal(texto, MAIOR_OCTETO).has_value();
}

bool e_grupo_hexadecimal(std::string_view texto) noexcept {
  if (texto.empty() || texto.size() > MAXIMO_DE_DIGITOS_DO_GRUPO) return false;
  for (const char c : texto) {
    if (!e_hexadecimal(c)) return false;
  }
  return true;
}

// How many groups a ":"-separated list of hex groups stands for, the last of
// which may be an IPv4 address (two groups) when `ipv4_no_fim`; SEM_GRUPOS if
// the list is malformed. An empty text is an empty list.
std::size_t contar_grupos(std::string_view texto, bool ipv4_no_fim) noexcept {
  if (texto.empty()) return 0;
  std::size_t grupos = 0;
  while (true) {
    const std::size_t dois_pontos = texto.find(':');
    const std::string_view grupo = texto.substr(0, dois_pontos);
    if (dois_pontos == std::string_view::npos) {
      if (e_grupo_hexadecimal(grupo)) return grupos + 1;
      if (ipv4_no_fim && e_ipv4(grupo)) return grupos + GRUPOS_OCUPADOS_PELO_IPV4;
      return SEM_GRUPOS;
    }
    if (!e_grupo_hexadecimal(grupo) || ++grupos > GRUPOS_DO_IPV6) return SEM_GRUPOS;
    texto.remove_prefix(dois_pontos + 1);
  }
}

std::optional<std::uint16_t> porta(std::string_view texto) noexcept {
  const auto valor = numero_decimal(texto, MAIOR_PORTA);
  if (!valor) return std::nullopt;
  return static_cast<std::uint16_t>(*valor);
}

}  // namespace

bool e_ipv4(std::string_view texto) noexcept {
  for (std::size_t i = 0; i < OCTETOS_DO_IPV4; ++i) {
    const bool ultimo = i + 1 == OCTETOS_DO_IPV4;
    const std::size_t ponto = texto.find('.');
    if (ultimo != (ponto == std::string_view::npos)) return false;
    if (!e_octeto(texto.substr(0, ponto))) return false;
    if (!ultimo) texto.remove_prefix(ponto + 1);
  }
  return true;
}

bool e_ipv6(std::string_view texto) noexcept {
  const std::size_t duplo = texto.find("::");
  if (duplo == std::string_view::npos) return contar_grupos(texto, true) == GRUPOS_DO_IPV6;
  const std::string_view antes = texto.substr(0, duplo);
  const std::string_view depois = texto.substr(duplo + 2);
  if (depois.find("::") != std::string_view::npos) return false;
  // Overlapping pairs (":::") leave an empty group at one edge: rejected below.
  const std::size_t grupos_antes = contar_grupos(antes, false);
  const std::size_t grupos_depois = contar_grupos(depois, true);
  if (grupos_antes == SEM_GRUPOS || grupos_depois == SEM_GRUPOS) return false;
  return grupos_antes + grupos_depois < GRUPOS_DO_IPV6;  // "::" is one zero group or more
}

std::optional<EnderecoDeSocket> endereco_de_socket(std::string_view texto) noexcept {
  if (texto.starts_with('[')) {
    const std::size_t fecha = texto.find("]:");
    if (fecha == std::string_view::npos) return std::nullopt;
    std::string_view endereco = texto.substr(1, fecha - 1);
    const std::size_t zona = endereco.find('%');
    if (zona != std::string_view::npos) {
      if (!numero_decimal(endereco.substr(zona + 1), MAIOR_ZONA)) return std::nullopt;
      endereco = endereco.substr(0, zona);
    }
    const auto p = porta(texto.substr(fecha + 2));
    if (!p || !e_ipv6(endereco)) return std::nullopt;
    return EnderecoDeSocket{FamiliaIp::V6, *p};
  }
  const std::size_t dois_pontos = texto.find(':');
  if (dois_pontos == std::string_view::npos) return std::nullopt;
  const auto p = porta(texto.substr(dois_pontos + 1));
  if (!p || !e_ipv4(texto.substr(0, dois_pontos))) return std::nullopt;
  return EnderecoDeSocket{FamiliaIp::V4, *p};
}

}  // namespace norva::higiene
