// Any 24 bytes: the header check never crashes, accepts exactly the one
// contract, and its refusal line carries the four values as received.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fonte/src/quadros/protocolo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  using norva::CabecalhoDoQuadro;
  if (tamanho < CabecalhoDoQuadro::TAMANHO) return 0;
  CabecalhoDoQuadro::Bytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = dados[i];
  const CabecalhoDoQuadro c = CabecalhoDoQuadro::ler(bytes);
  if (c.codificar() != bytes) std::abort();
  const bool contrato = bytes == CabecalhoDoQuadro::para_quadro(c.ts_do_host);
  if (c.aceitavel() != contrato) std::abort();
  if (!c.aceitavel()) {
    const std::string linha = c.mensagem_de_recusa();
    const std::string meio = " " + std::to_string(c.largura) + "x" + std::to_string(c.altura) + " " +
                             std::to_string(c.tamanho) + "B); ";
    if (linha.find(meio) == std::string::npos) std::abort();
    if (!linha.starts_with("cabeçalho fora do contrato (magico=0x")) std::abort();
  }
  return 0;
}
