#include "fonte/src/registro/linha_do_registro.h"

#include <array>
#include <charconv>
#include <limits>

namespace norva {
namespace {

struct EtiquetaDoConsumidor {
  std::string_view executavel;  // lower case
  std::string_view etiqueta;
};

// Closed set: the known camera consumers and the product's own programs.
constexpr std::array<EtiquetaDoConsumidor, 6> ETIQUETAS{{
    {"obs64.exe", "obs"},
    {"obs32.exe", "obs"},
    {"svchost.exe", "svchost"},
    {"dllhost.exe", "dllhost"},
    {"norva-app.exe", "norva"},
    {"norva-camera-vigia.exe", "norva"},
}};

// Longest decimal text of a 32-bit unsigned number.
constexpr std::size_t DIGITOS_DE_32_BITS = std::numeric_limits<std::uint32_t>::digits10 + 1;

void acrescentar_decimal(std::string& saida, std::uint32_t valor, std::size_t largura_minima = 1) {
  std::array<char, DIGITOS_DE_32_BITS> digitos{};
  const auto [fim, erro] = std::to_chars(digitos.data(), digitos.data() + digitos.size(), valor);
  (void)erro;  // the array holds every 32-bit value
  const auto quantos = static_cast<std::size_t>(fim - digitos.data());
  if (quantos < largura_minima) saida.append(largura_minima - quantos, '0');
  saida.append(digitos.data(), quantos);
}

char minuscula_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool igual_em_minusculas(std::string_view nome, std::string_view minusculo) {
  if (nome.size() != minusculo.size()) return false;
  for (std::size_t i = 0; i < nome.size(); ++i) {
    if (minuscula_ascii(nome[i]) != minusculo[i]) return false;
  }
  return true;
}

}  // namespace

std::string formatar_carimbo(const Carimbo& c) {
  std::string saida;
  acrescentar_decimal(saida, c.ano, DIGITOS_DO_ANO);
  saida += '-';
  acrescentar_decimal(saida, c.mes, DIGITOS_DO_CAMPO);
  saida += '-';
  acrescentar_decimal(saida, c.dia, DIGITOS_DO_CAMPO);
  saida += ' ';
  acrescentar_decimal(saida, c.hora, DIGITOS_DO_CAMPO);
  saida += ':';
  acrescentar_decimal(saida, c.minuto, DIGITOS_DO_CAMPO);
  saida += ':';
  acrescentar_decimal(saida, c.segundo, DIGITOS_DO_CAMPO);
  saida += '.';
  acrescentar_decimal(saida, c.milissegundos, DIGITOS_DOS_MILISSEGUNDOS);
  return saida;
}

std::string_view nome_do_executavel(std::string_view caminho) {
  const std::size_t barra = caminho.rfind('\\');
  return barra == std::string_view::npos ? caminho : caminho.substr(barra + 1);
}

std::string_view etiqueta_do_consumidor(std::string_view caminho) {
  const std::string_view nome = nome_do_executavel(caminho);
  if (nome.empty()) return ETIQUETA_OUTRO_CONSUMIDOR;
  for (const auto& [executavel, etiqueta] : ETIQUETAS) {
    if (igual_em_minusculas(nome, executavel)) return etiqueta;
  }
  return ETIQUETA_OUTRO_CONSUMIDOR;
}

std::string montar_linha(const Carimbo& carimbo, std::string_view etiqueta, std::uint32_t pid,
                         std::uint32_t tid, std::string_view limpa) {
  std::string linha = formatar_carimbo(carimbo);
  linha += " [";
  linha += etiqueta;
  linha += " pid=";
  acrescentar_decimal(linha, pid);
  linha += " tid=";
  acrescentar_decimal(linha, tid);
  linha += "] ";
  linha += limpa;
  linha += '\n';
  return linha;
}

}  // namespace norva
