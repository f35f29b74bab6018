#include "apps/windows/src/higiene_do_registro/classes.h"

#include <algorithm>
#include <array>

#include "apps/windows/src/higiene_do_registro/tabela_unicode.h"

namespace norva::higiene {
namespace {

constexpr char32_t LIMITE_ASCII = 0x80;

constexpr ClasseUnicode classe_por_busca(char32_t ponto) noexcept {
  // The first range that does not end before the code point.
  const FaixaUnicode* faixa = std::lower_bound(
      std::begin(FAIXAS_UNICODE), std::end(FAIXAS_UNICODE), ponto,
      [](const FaixaUnicode& f, char32_t p) { return f.fim < p; });
  if (faixa == std::end(FAIXAS_UNICODE) || faixa->inicio > ponto) return ClasseUnicode::Outra;
  return faixa->classe;
}

// ASCII, which most log text is, without a search; built from the same table.
constexpr std::array<ClasseUnicode, LIMITE_ASCII> CLASSES_ASCII = [] {
  std::array<ClasseUnicode, LIMITE_ASCII> classes{};
  for (char32_t p = 0; p < LIMITE_ASCII; ++p) classes[p] = classe_por_busca(p);
  return classes;
}();

static_assert(CLASSES_ASCII[U'a'] == ClasseUnicode::Alfanumerica);
static_assert(CLASSES_ASCII[U'Z'] == ClasseUnicode::Alfanumerica);
static_assert(CLASSES_ASCII[U'0'] == ClasseUnicode::Alfanumerica);
static_assert(CLASSES_ASCII[U' '] == ClasseUnicode::EspacoBranco);
static_assert(CLASSES_ASCII[U'\t'] == ClasseUnicode::EspacoBranco);
static_assert(CLASSES_ASCII[U'_'] == ClasseUnicode::Outra);

// The binary search needs sorted, disjoint, non-empty ranges.
constexpr bool faixas_ordenadas() noexcept {
  for (std::size_t i = 0; i < QUANTIDADE_DE_FAIXAS; ++i) {
    if (FAIXAS_UNICODE[i].inicio > FAIXAS_UNICODE[i].fim) return false;
    if (i > 0 && FAIXAS_UNICODE[i - 1].fim >= FAIXAS_UNICODE[i].inicio) return false;
  }
  return true;
}
static_assert(faixas_ordenadas());

}  // namespace

ClasseUnicode classe_unicode(char32_t ponto) noexcept {
  if (ponto < LIMITE_ASCII) return CLASSES_ASCII[ponto];
  return classe_por_busca(ponto);
}

}  // namespace norva::higiene
