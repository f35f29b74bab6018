#include "fonte/src/quadros/nome_do_cano.h"

#include <cstdint>

namespace norva {
namespace {

constexpr std::uint64_t BASE_FNV = 0xcbf29ce484222325;
constexpr std::uint64_t PRIMO_FNV = 0x100000001b3;
constexpr int DIGITOS_DO_HASH = 16;
constexpr unsigned BITS_POR_DIGITO = 4;
constexpr std::uint64_t MASCARA_DO_DIGITO = 0xF;

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = BASE_FNV;
  for (const char c : bytes) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= PRIMO_FNV;
  }
  return hash;
}

}  // namespace

std::string nome_do_cano(const std::optional<std::string>& nome_amigavel) {
  std::string nome(NOME_PADRAO_DO_CANO);
  if (!nome_amigavel || nome_amigavel->empty()) return nome;
  constexpr std::string_view DIGITOS = "0123456789abcdef";
  const std::uint64_t hash = fnv1a(*nome_amigavel);
  nome += '-';
  for (int i = DIGITOS_DO_HASH - 1; i >= 0; --i) {
    nome += DIGITOS[(hash >> (BITS_POR_DIGITO * static_cast<unsigned>(i))) & MASCARA_DO_DIGITO];
  }
  return nome;
}

}  // namespace norva
