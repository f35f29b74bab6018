#include "fonte/src/registro/teste/registro_de_apoio.h"

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

constexpr std::size_t TAMANHO_DO_CARIMBO = 23;  // "AAAA-MM-DD hh:mm:ss.mmm"

// The decimal number in `linha` from `inicio` up to `fim`.
std::optional<std::uint32_t> numero(std::string_view linha, std::size_t inicio, std::size_t fim) {
  std::uint32_t valor = 0;
  const auto [p, erro] = std::from_chars(linha.data() + inicio, linha.data() + fim, valor);
  if (erro != std::errc{} || p != linha.data() + fim) return std::nullopt;
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
  // The stamp has a fixed width, the tag holds no blank, and the message
  // (which may hold anything) comes last: the first of each separator after
  // the one before is the writer's.
  const std::size_t etiqueta = linha.find(" [") + 2;
  const std::size_t pid = linha.find(" pid=", etiqueta);
  const std::size_t tid = linha.find(" tid=", pid);
  const std::size_t fecha = linha.find("] ", tid);
  if (etiqueta != TAMANHO_DO_CARIMBO + 2 || fecha == std::string_view::npos) return std::nullopt;
  const auto pid_lido = numero(linha, pid + 5, tid);
  const auto tid_lido = numero(linha, tid + 5, fecha);
  if (!pid_lido || !tid_lido) return std::nullopt;
  return LinhaLida{std::string(linha.substr(etiqueta, pid - etiqueta)), *pid_lido, *tid_lido,
                   std::string(linha.substr(fecha + 2))};
}

}  // namespace norva::teste
