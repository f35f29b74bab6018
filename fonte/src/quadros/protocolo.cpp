#include "fonte/src/quadros/protocolo.h"

#include <charconv>

namespace norva {
namespace {

constexpr unsigned BITS_POR_BYTE = 8;
constexpr int BASE_HEXADECIMAL = 16;

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

PacoteLido ler_pacote(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE> pacote) {
  std::size_t lidos = 0;
  CabecalhoDoQuadro cabecalho;  // not acceptable until the real one is in
  while (lidos < pacote.size()) {
    const ResultadoDaLeitura r = conexao.ler(pacote.subspan(lidos));
    if (r.fim == FimDaLeitura::Interrompida) return {DesfechoDoPacote::Interrompido, {}};
    // A transport that claims more than it was given is not trusted.
    if (r.fim != FimDaLeitura::Dados || r.lidos == 0 || r.lidos > pacote.size() - lidos) return {};
    lidos += r.lidos;
    if (lidos >= CabecalhoDoQuadro::TAMANHO && !cabecalho.aceitavel()) {
      cabecalho = CabecalhoDoQuadro::ler(pacote.first<CabecalhoDoQuadro::TAMANHO>());
      if (!cabecalho.aceitavel()) return {DesfechoDoPacote::Recusado, cabecalho};
    }
  }
  return {DesfechoDoPacote::Quadro, cabecalho};
}

}  // namespace norva
