// Higiene: the log sanitiser. Every message passes through it before it is
// written to the shared log file. A pure text-to-text function of UTF-8: it
// hides the values of sensitive key/value pairs, then paths, digests, links of
// the product's scheme and IP addresses word by word, then folds the lines of
// the message into one. It never fails and keeps no state; any number of
// threads may call it at once. Character classes follow Unicode 15.0. A byte
// that is not part of well-formed UTF-8 is kept unchanged, as one character
// that is neither a key, word nor white-space character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norva {

struct Higiene {
  static std::string higienizar(std::string_view texto);

  // The three stages, in the order higienizar applies them.
  static std::string ocultar_valores(std::string_view texto);
  static std::string ocultar_palavras(std::string_view texto);
  static std::string juntar_linhas(std::string_view texto);

  // Byte offset just past the bracket that closes the one at `inicio`, or the
  // length of the text if there is none (or the brackets do not match).
  static std::size_t fim_do_agrupamento(std::string_view texto, std::size_t inicio);

  // The replacement of one word, or the word itself.
  static std::string classificar_palavra(std::string_view palavra);
};

}  // namespace norva
