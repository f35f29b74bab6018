#include "fonte/src/registro/registro_teste.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace norva::teste {
namespace {

// "AAAA-MM-DD hh:mm:ss.mmm": where the digits and separators stand.
constexpr std::string_view MODELO_DO_CARIMBO = "0000-00-00 00:00:00.000";

bool carimbo_valido(std::string_view texto) {
  if (texto.size() != MODELO_DO_CARIMBO.size()) return false;
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const bool digito = texto[i] >= '0' && texto[i] <= '9';
    if ((MODELO_DO_CARIMBO[i] == '0') != digito) return false;
    if (!digito && texto[i] != MODELO_DO_CARIMBO[i]) return false;
  }
  return true;
}

// Reads a decimal number without leading zeros up to `fim`; moves `texto`
// past it and past `fim`.
std::optional<std::uint32_t> ler_numero(std::string_view& texto, std::string_view fim) {
  const std::size_t posicao = texto.find(fim);
  if (posicao == std::string_view::npos || posicao == 0) return std::nullopt;
  const std::string_view digitos = texto.substr(0, posicao);
  if (digitos.size() > 1 && digitos[0] == '0') return std::nullopt;
  std::uint32_t valor = 0;
  const auto [p, erro] = std::from_chars(digitos.data(), digitos.data() + digitos.size(), valor);
  if (erro != std::errc{} || p != digitos.data() + digitos.size()) return std::nullopt;
  texto.remove_prefix(posicao + fim.size());
  return valor;
}

long este_processo() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

}  // namespace

std::string nome_unico(std::string_view base) {
  static std::atomic<unsigned> contador{0};
  return std::string(base) + "-" + std::to_string(este_processo()) + "-" + std::to_string(contador++);
}

std::size_t contar_mensagem(const std::string& mensagem) {
  const auto todas = mensagens_registradas();
  return static_cast<std::size_t>(std::count(todas.begin(), todas.end(), mensagem));
}

std::optional<LinhaLida> ler_linha(std::string_view linha) {
  LinhaLida lida;
  if (!carimbo_valido(linha.substr(0, MODELO_DO_CARIMBO.size()))) return std::nullopt;
  lida.carimbo = linha.substr(0, MODELO_DO_CARIMBO.size());
  linha.remove_prefix(MODELO_DO_CARIMBO.size());
  if (!linha.starts_with(" [")) return std::nullopt;
  linha.remove_prefix(2);
  const std::size_t fim_da_etiqueta = linha.find(" pid=");
  if (fim_da_etiqueta == std::string_view::npos || fim_da_etiqueta == 0) return std::nullopt;
  lida.etiqueta = linha.substr(0, fim_da_etiqueta);
  linha.remove_prefix(fim_da_etiqueta + 5);
  const auto pid = ler_numero(linha, " tid=");
  const auto tid = pid ? ler_numero(linha, "] ") : std::nullopt;
  if (!tid || linha.find('\n') != std::string_view::npos) return std::nullopt;
  lida.pid = *pid;
  lida.tid = *tid;
  lida.mensagem = linha;
  return lida;
}

}  // namespace norva::teste
