#include <cstdio>
#include <vector>

#include "ferramentas/norva-camera/subcomandos.h"
#include "ferramentas/norva-camera/verificacoes.h"
#include "fonte/src/lib/clsid.h"
#include "fonte/src/registro/arquivo_do_registro.h"

namespace norva::ferramentas {

int diagnosticar(const OpcoesDaCamera& opcoes) {
  std::optional<std::wstring> dll;
  bool servido = false;
  const std::wstring chave(CHAVE_DO_SERVIDOR.begin(), CHAVE_DO_SERVIDOR.end());
  const std::vector<Verificacao> verificacoes = {
      verificar_classe(chave, dll),
      verificar_versao(dll, NORVA_VERSAO),
      verificar_leitura_pelo_servico(dll),
      verificar_pasta_do_registro(std::wstring(PASTA_DO_REGISTRO)),
      verificar_cano(opcoes.nome, servido),
      verificar_acesso_ao_cano(opcoes.nome, servido),
      verificar_versao_do_windows(),
  };
  bool tudo_ok = true;
  for (const Verificacao& v : verificacoes) {
    std::printf("%s\n", linha_da_verificacao(v).c_str());
    tudo_ok = tudo_ok && v.ok;
  }
  return tudo_ok ? SAIDA_OK : SAIDA_FALHA;
}

}  // namespace norva::ferramentas
