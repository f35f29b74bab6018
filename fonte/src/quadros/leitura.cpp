#include "fonte/src/quadros/leitura.h"

#include "fonte/src/registro/registro.h"

namespace norva {
namespace {

DesfechoDoRegistro desfecho_de(FimDaLeitura fim) {
  return fim == FimDaLeitura::Interrompida ? DesfechoDoRegistro::Interrompido : DesfechoDoRegistro::Perdido;
}

}  // namespace

FimDaLeitura ler_exatamente(ConexaoDoCano& conexao, std::span<std::uint8_t> destino) {
  while (!destino.empty()) {
    const ResultadoDaLeitura r = conexao.ler(destino);
    if (r.fim != FimDaLeitura::Dados) return r.fim;
    // A transport that claims more than it was given is not trusted.
    if (r.lidos == 0 || r.lidos > destino.size()) return FimDaLeitura::Erro;
    destino = destino.subspan(r.lidos);
  }
  return FimDaLeitura::Dados;
}

RegistroLido ler_registro(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_QUADRO> carga) {
  CabecalhoDoQuadro::Bytes bytes{};
  if (const FimDaLeitura fim = ler_exatamente(conexao, bytes); fim != FimDaLeitura::Dados) {
    return {desfecho_de(fim), 0};
  }
  const CabecalhoDoQuadro cabecalho = CabecalhoDoQuadro::ler(bytes);
  if (!cabecalho.aceitavel()) {
    Registro::escrever(cabecalho.mensagem_de_recusa());
    return {DesfechoDoRegistro::Recusado, 0};
  }
  if (const FimDaLeitura fim = ler_exatamente(conexao, carga); fim != FimDaLeitura::Dados) {
    return {desfecho_de(fim), 0};
  }
  return {DesfechoDoRegistro::Quadro, cabecalho.ts_do_host};
}

}  // namespace norva
