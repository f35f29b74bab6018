// Stage 1: the values of sensitive key/value pairs become "<omitido>".
//
// One left-to-right scan. Text that is kept is not copied piece by piece: the
// output receives everything from `copiado_ate` up to the start of a hidden
// value in one append, then the marker. Every look-ahead (white space after a
// key, a quoted or bracketed value) either ends inside the value that is then
// skipped, or is short and fails at once, so no byte is examined more than a
// small, fixed number of times, whatever the input.
#include <cstddef>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/chaves_sensiveis.h"
#include "apps/windows/src/higiene_do_registro/classes.h"
#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/marcas.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva {
namespace {

using higiene::Caractere;
using higiene::decodificar;

constexpr std::string_view PALAVRA_NULL = "null";
constexpr std::string_view PALAVRA_TRUE = "true";
constexpr std::string_view PALAVRA_FALSE = "false";
constexpr std::string_view PREFIXO_SOME = "Some(";

bool e_digito(char c) noexcept { return c >= '0' && c <= '9'; }
bool e_aspas(char c) noexcept { return c == '"' || c == '\''; }
bool e_separador(char c) noexcept { return c == ':' || c == '='; }
bool e_abertura(char c) noexcept { return c == '(' || c == '[' || c == '{'; }
bool e_fim_de_literal(char c) noexcept { return c == ']' || c == '}' || c == ')' || c == ','; }

std::size_t pular_espacos(std::string_view texto, std::size_t pos) noexcept {
  while (pos < texto.size()) {
    const Caractere c = decodificar(texto, pos);
    if (!higiene::e_espaco_branco(c.ponto)) break;
    pos += c.tamanho;
  }
  return pos;
}

std::size_t fim_do_token(std::string_view texto, std::size_t pos) noexcept {
  while (pos < texto.size()) {
    const Caractere c = decodificar(texto, pos);
    if (!higiene::e_caractere_de_chave(c.ponto)) break;
    pos += c.tamanho;
  }
  return pos;
}

// Whether the text at `v` is `literal` and the value ends right after it: at
// the end of the text or before "]", "}", ")" or ",".
bool literal_isolado(std::string_view texto, std::size_t v, std::string_view literal) noexcept {
  if (texto.substr(v, literal.size()) != literal) return false;
  const std::size_t depois = v + literal.size();
  return depois == texto.size() || e_fim_de_literal(texto[depois]);
}

// Just past the closing quote of the quoted value opening at `v`, or the end
// of the text. A backslash escapes the byte after it; quotes and backslashes
// are ASCII, so bytes of multi-byte characters never match them.
std::size_t fim_das_aspas(std::string_view texto, std::size_t v) noexcept {
  const char aspas = texto[v];
  const char procurados[] = {aspas, '\\'};
  std::size_t pos = v + 1;
  while (true) {
    pos = texto.find_first_of(std::string_view(procurados, sizeof procurados), pos);
    if (pos == std::string_view::npos) return texto.size();
    if (texto[pos] == aspas) return pos + 1;
    pos += 2;  // the backslash and the byte it escapes
    if (pos >= texto.size()) return texto.size();
  }
}

std::size_t pular_digitos(std::string_view texto, std::size_t pos) noexcept {
  while (pos < texto.size() && e_digito(texto[pos])) ++pos;
  return pos;
}

// A bracketed value, and a ":" with a port right after the group.
std::size_t fim_do_grupo_com_porta(std::string_view texto, std::size_t v) {
  const std::size_t f = Higiene::fim_do_agrupamento(texto, v);
  if (f == texto.size() || texto[f] != ':') return f;
  return pular_digitos(texto, f + 1);
}

// The value of "pin" that starts with a digit: digits in groups separated by
// "-" or blanks, up to its last digit.
std::size_t fim_dos_digitos_do_pin(std::string_view texto, std::size_t v) noexcept {
  std::size_t fim = v;
  for (std::size_t pos = v; pos < texto.size(); ++pos) {
    const char c = texto[pos];
    if (e_digito(c)) {
      fim = pos + 1;
    } else if (c != '-' && c != ' ') {
      break;
    }
  }
  return fim;
}

// Where the value that starts at `v` ends; the first rule that applies wins.
std::size_t fim_do_valor(std::string_view texto, std::size_t v, bool chave_pin) {
  const std::size_t restante = texto.size() - v;
  if (restante == 0) return v;
  const std::string_view valor = texto.substr(v);
  if (valor.starts_with(higiene::MARCA_OMITIDO)) return v + higiene::MARCA_OMITIDO.size();
  if (literal_isolado(texto, v, PALAVRA_NULL)) return v + PALAVRA_NULL.size();
  if (valor == PALAVRA_TRUE) return v + PALAVRA_TRUE.size();
  if (literal_isolado(texto, v, PALAVRA_FALSE)) return v + PALAVRA_FALSE.size();
  if (restante > PALAVRA_TRUE.size() && valor.starts_with(PALAVRA_TRUE) &&
      e_fim_de_literal(valor[PALAVRA_TRUE.size()])) {
    return v + PALAVRA_TRUE.size();
  }
  if (valor.starts_with(PREFIXO_SOME)) {
    return Higiene::fim_do_agrupamento(texto, v + PREFIXO_SOME.size() - 1);
  }
  const char primeiro = valor.front();
  if (e_aspas(primeiro)) return fim_das_aspas(texto, v);
  if (e_abertura(primeiro)) return fim_do_grupo_com_porta(texto, v);
  if (chave_pin && e_digito(primeiro)) return fim_dos_digitos_do_pin(texto, v);
  return texto.size();  // a free value runs to the end of the message
}

// Where the value of the key token [inicio, fim) starts, if the token is the
// key of a sensitive pair; SEM_VALOR if it is not.
constexpr std::size_t SEM_VALOR = static_cast<std::size_t>(-1);

std::size_t inicio_do_valor(std::string_view texto, std::size_t inicio, std::size_t fim) {
  const std::string_view token = texto.substr(inicio, fim - inicio);
  if (!higiene::e_chave_sensivel(token)) return SEM_VALOR;
  std::size_t p = fim;
  if (p < texto.size() && texto[p] == '"') ++p;  // the closing quote of a JSON key
  // ... or of a key a single quote opened ({'senha': 'x'}, as scripts print
  // their dictionaries); a single quote after a bare key stays a quote.
  else if (p < texto.size() && texto[p] == '\'' && inicio > 0 && texto[inicio - 1] == '\'') ++p;
  p = pular_espacos(texto, p);
  if (p == texto.size()) return SEM_VALOR;
  const char c = texto[p];
  if (e_separador(c)) return pular_espacos(texto, p + 1);
  const bool aspas = e_aspas(c) && p > fim;
  const bool digitos = e_digito(c) && higiene::e_chave_pin(token);
  return aspas || digitos ? p : SEM_VALOR;
}

}  // namespace

std::string Higiene::ocultar_valores(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  std::size_t copiado_ate = 0;
  std::size_t pos = 0;
  while (pos < texto.size()) {
    const Caractere c = decodificar(texto, pos);
    if (!higiene::e_caractere_de_chave(c.ponto)) {
      pos += c.tamanho;
      continue;
    }
    const std::size_t inicio = pos;
    const std::size_t fim = fim_do_token(texto, pos);
    const std::size_t v = inicio_do_valor(texto, inicio, fim);
    if (v == SEM_VALOR) {
      pos = fim;
      continue;
    }
    const bool chave_pin = higiene::e_chave_pin(texto.substr(inicio, fim - inicio));
    const std::size_t e = fim_do_valor(texto, v, chave_pin);
    saida.append(texto.substr(copiado_ate, v - copiado_ate));
    saida.append(higiene::MARCA_OMITIDO);
    copiado_ate = e;
    pos = e;
  }
  saida.append(texto.substr(copiado_ate));
  return saida;
}

std::size_t Higiene::fim_do_agrupamento(std::string_view texto, std::size_t inicio) {
  // The closing brackets still expected, innermost last. Every character the
  // scan looks at is ASCII, so it can go byte by byte.
  std::string esperados;
  char aspas = 0;  // the quote of the quoted part the scan is in, or 0
  bool escapado = false;
  for (std::size_t pos = inicio; pos < texto.size(); ++pos) {
    const char c = texto[pos];
    if (aspas != 0) {
      if (escapado) {
        escapado = false;
        continue;
      }
      if (c == aspas) aspas = 0;
      escapado = c == '\\';
      continue;
    }
    switch (c) {
      case '"': case '\'': aspas = c; escapado = false; break;
      case '(': esperados.push_back(')'); break;
      case '[': esperados.push_back(']'); break;
      case '{': esperados.push_back('}'); break;
      case ')': case ']': case '}':
        if (esperados.empty() || esperados.back() != c) return texto.size();
        esperados.pop_back();
        if (esperados.empty()) return pos + 1;
        break;
      default: break;
    }
  }
  return texto.size();
}

}  // namespace norva
