// The layout of one log line, apart from the platform: the time stamp, the
// consumer tag chosen by the host executable's file name, and the assembled
// line. The Windows writer and the tests share these; nothing here touches
// the clock, the process or the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norva {

// One reading of the local wall clock, as the platform's local-time record
// holds it (16-bit unsigned fields).
struct Carimbo {
  std::uint16_t ano = 0;
  std::uint16_t mes = 0;
  std::uint16_t dia = 0;
  std::uint16_t hora = 0;
  std::uint16_t minuto = 0;
  std::uint16_t segundo = 0;
  std::uint16_t milissegundos = 0;
};

// Minimum widths of the time stamp's fields, zero-padded.
inline constexpr std::size_t DIGITOS_DO_ANO = 4;
inline constexpr std::size_t DIGITOS_DO_CAMPO = 2;
inline constexpr std::size_t DIGITOS_DOS_MILISSEGUNDOS = 3;

// The tag of every host executable that is not in the table.
inline constexpr std::string_view ETIQUETA_OUTRO_CONSUMIDOR = "outro-consumidor";

// "AAAA-MM-DD hh:mm:ss.mmm": fields zero-padded to their minimum widths.
std::string formatar_carimbo(const Carimbo& carimbo);

// The part of `caminho` after its last backslash; the whole path if it holds
// none. Only the backslash separates; a trailing one gives an empty name.
std::string_view nome_do_executavel(std::string_view caminho);

// The consumer tag for the host executable at `caminho` (UTF-8, possibly
// empty). The name is compared whole, after lower-casing A-Z only. The result
// always refers to static text, never into `caminho`.
std::string_view etiqueta_do_consumidor(std::string_view caminho);

// The complete line: time stamp, " [", tag, " pid=", pid, " tid=", tid, "] ",
// the already sanitised message, "\n".
std::string montar_linha(const Carimbo& carimbo, std::string_view etiqueta, std::uint32_t pid,
                         std::uint32_t tid, std::string_view limpa);

}  // namespace norva
