#include "fonte/src/registro/texto_de_erro.h"

#include <cstddef>

namespace norva {
namespace {

constexpr std::string_view DIGITOS_HEX = "0123456789ABCDEF";
constexpr unsigned BITS_POR_DIGITO = 4;
constexpr std::uint32_t MASCARA_DO_DIGITO = 0xF;

// Digits of each field of a GUID, and how many of data4's bytes come before
// its hyphen.
constexpr std::size_t DIGITOS_DE_32_BITS = 8;
constexpr std::size_t DIGITOS_DE_16_BITS = 4;
constexpr std::size_t DIGITOS_DE_8_BITS = 2;
constexpr std::size_t BYTES_ANTES_DO_HIFEN = 2;

void acrescentar_hex(std::string& saida, std::uint32_t valor, std::size_t digitos) {
  for (std::size_t i = digitos; i-- > 0;) {
    saida += DIGITOS_HEX[(valor >> (i * BITS_POR_DIGITO)) & MASCARA_DO_DIGITO];
  }
}

bool espaco_final(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::string texto_hexadecimal(std::uint32_t valor) {
  std::string saida = "0x";
  acrescentar_hex(saida, valor, DIGITOS_DE_32_BITS);
  return saida;
}

std::string texto_do_hresult(CodigoHr hr) {
  return "HRESULT(" + texto_hexadecimal(static_cast<std::uint32_t>(hr)) + ")";
}

std::string_view sem_espacos_finais(std::string_view texto) {
  std::size_t fim = texto.size();
  while (fim > 0 && espaco_final(texto[fim - 1])) --fim;
  return texto.substr(0, fim);
}

std::string texto_do_erro_com_mensagem(std::string_view mensagem, CodigoHr hr) {
  const std::string_view limpa = sem_espacos_finais(mensagem);
  const std::string codigo = texto_hexadecimal(static_cast<std::uint32_t>(hr));
  if (limpa.empty()) return codigo;
  std::string saida(limpa);
  saida += " (";
  saida += codigo;
  saida += ')';
  return saida;
}

std::string texto_do_erro_do_sistema_com_mensagem(std::string_view mensagem, std::uint32_t codigo) {
  const std::string_view limpa = sem_espacos_finais(mensagem);
  std::string saida(limpa);
  if (!saida.empty()) saida += ' ';
  saida += "(os error ";
  saida += std::to_string(codigo);
  saida += ')';
  return saida;
}

std::string texto_do_win32_error(std::uint32_t codigo) { return "WIN32_ERROR(" + std::to_string(codigo) + ")"; }

std::string texto_do_guid(const CamposDoGuid& guid) {
  std::string saida;
  acrescentar_hex(saida, guid.data1, DIGITOS_DE_32_BITS);
  saida += '-';
  acrescentar_hex(saida, guid.data2, DIGITOS_DE_16_BITS);
  saida += '-';
  acrescentar_hex(saida, guid.data3, DIGITOS_DE_16_BITS);
  saida += '-';
  for (std::size_t i = 0; i < guid.data4.size(); ++i) {
    if (i == BYTES_ANTES_DO_HIFEN) saida += '-';
    acrescentar_hex(saida, guid.data4[i], DIGITOS_DE_8_BITS);
  }
  return saida;
}

}  // namespace norva
