#include "fonte/src/quadros/leitura.h"

#include "fonte/src/registro/registro.h"

namespace norva {

PacoteLido ler_pacote(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE> pacote) {
  std::size_t lidos = 0;
  bool cabecalho_aceito = false;
  std::uint64_t ts_do_host = 0;
  while (lidos < pacote.size()) {
    const ResultadoDaLeitura r = conexao.ler(pacote.subspan(lidos));
    if (r.fim == FimDaLeitura::Interrompida) return {DesfechoDoPacote::Interrompido, 0};
    // A transport that claims more than it was given is not trusted.
    if (r.fim != FimDaLeitura::Dados || r.lidos == 0 || r.lidos > pacote.size() - lidos) return {};
    lidos += r.lidos;
    if (!cabecalho_aceito && lidos >= CabecalhoDoQuadro::TAMANHO) {
      const CabecalhoDoQuadro cabecalho = CabecalhoDoQuadro::ler(pacote.first<CabecalhoDoQuadro::TAMANHO>());
      if (!cabecalho.aceitavel()) {
        Registro::escrever(cabecalho.mensagem_de_recusa());
        return {DesfechoDoPacote::Recusado, 0};
      }
      cabecalho_aceito = true;
      ts_do_host = cabecalho.ts_do_host;
    }
  }
  return {DesfechoDoPacote::Quadro, ts_do_host};
}

}  // namespace norva
