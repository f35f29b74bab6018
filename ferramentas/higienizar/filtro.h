// The filter behind the higienizar tool: every line of the input is one log
// message, written out sanitised exactly as the camera writes it to its log.
#pragma once

#include <istream>
#include <ostream>

namespace norva::ferramentas {

enum class ResultadoDoFiltro : int {
  Ok = 0,
  Utf8Invalido = 1,  // a line is not valid UTF-8; nothing of it was written
  FalhaDeEs = 2,     // reading the input or writing the output failed
};

// Reads `entrada` to its end. A line ends at a line feed, which is not part of
// the message; a final line without a line feed is a message too (a carriage
// return is an ordinary byte of its line). Each message goes to `saida`
// sanitised, followed by one line feed. At the first line that is not valid
// UTF-8 it stops, writes nothing of that line, and tells `erros` the line
// number (from 1) and the byte offsets (from 0) of the fault in the line and
// in the input; the lines before it have been written and flushed.
ResultadoDoFiltro filtrar(std::istream& entrada, std::ostream& saida, std::ostream& erros);

}  // namespace norva::ferramentas
