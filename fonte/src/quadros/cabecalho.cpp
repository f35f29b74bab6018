#include "fonte/src/quadros/cabecalho.h"

#include <charconv>

namespace norva {
namespace {

constexpr unsigned BITS_POR_BYTE = 8;
constexpr int BASE_HEXADECIMAL = 16;

template <typename Inteiro>
Inteiro ler_le(std::span<const std::uint8_t> bytes) {
  Inteiro valor = 0;
  for (std::size_t i = sizeof(Inteiro); i-- > 0;) valor = static_cast<Inteiro>((valor << BITS_POR_BYTE) | bytes[i]);
  return valor;
}

template <typename Inteiro>
void escrever_le(std::span<std::uint8_t> bytes, Inteiro valor) {
  for (std::size_t i = 0; i < sizeof(Inteiro); ++i) {
    bytes[i] = static_cast<std::uint8_t>(valor >> (BITS_POR_BYTE * i));
  }
}

std::string hexadecimal(std::uint32_t valor) {
  std::array<char, sizeof(valor) * 2> digitos{};
  const auto fim = std::to_chars(digitos.data(), digitos.data() + digitos.size(), valor, BASE_HEXADECIMAL).ptr;
  return "0x" + std::string(digitos.data(), fim);
}

}  // namespace

CabecalhoDoQuadro CabecalhoDoQuadro::ler(std::span<const std::uint8_t, TAMANHO> bytes) {
  CabecalhoDoQuadro c;
  c.magico = ler_le<std::uint32_t>(bytes.subspan(POSICAO_DO_MAGICO));
  c.largura = ler_le<std::uint32_t>(bytes.subspan(POSICAO_DA_LARGURA));
  c.altura = ler_le<std::uint32_t>(bytes.subspan(POSICAO_DA_ALTURA));
  c.tamanho = ler_le<std::uint32_t>(bytes.subspan(POSICAO_DO_TAMANHO));
  c.ts_do_host = ler_le<std::uint64_t>(bytes.subspan(POSICAO_DO_TS));
  return c;
}

CabecalhoDoQuadro::Bytes CabecalhoDoQuadro::codificar() const {
  Bytes bytes{};
  const std::span<std::uint8_t> b(bytes);
  escrever_le(b.subspan(POSICAO_DO_MAGICO), magico);
  escrever_le(b.subspan(POSICAO_DA_LARGURA), largura);
  escrever_le(b.subspan(POSICAO_DA_ALTURA), altura);
  escrever_le(b.subspan(POSICAO_DO_TAMANHO), tamanho);
  escrever_le(b.subspan(POSICAO_DO_TS), ts_do_host);
  return bytes;
}

CabecalhoDoQuadro::Bytes CabecalhoDoQuadro::para_quadro(std::uint64_t ts_do_host) {
  return CabecalhoDoQuadro{MAGICO, LARGURA, ALTURA, static_cast<std::uint32_t>(TAMANHO_DO_QUADRO), ts_do_host}
      .codificar();
}

bool CabecalhoDoQuadro::aceitavel() const {
  return magico == MAGICO && largura == LARGURA && altura == ALTURA && tamanho == TAMANHO_DO_QUADRO;
}

std::string CabecalhoDoQuadro::mensagem_de_recusa() const {
  return "cabeçalho fora do contrato (magico=" + hexadecimal(magico) + " " + std::to_string(largura) + "x" +
         std::to_string(altura) + " " + std::to_string(tamanho) +
         "B); fechando o cano em vez de tentar adivinhar";
}

}  // namespace norva
