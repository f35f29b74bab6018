#include "ferramentas/sonda/classificacao_em_fundo.h"

#include <cstring>

namespace norva::ferramentas {

ClassificacaoEmFundo::ClassificacaoEmFundo(std::set<std::size_t> guardar)
    : guardar_(std::move(guardar)), thread_([this] { trabalhar(); }) {}

ClassificacaoEmFundo::~ClassificacaoEmFundo() {
  if (thread_.joinable()) terminar();
}

void ClassificacaoEmFundo::entregar(std::size_t indice, std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  DadosDoQuadro copia = novo_quadro();
  std::memcpy(copia.get(), quadro.data(), TAMANHO_DO_QUADRO);
  {
    const std::lock_guard trava(mutex_);
    fila_.emplace_back(indice, std::move(copia));
  }
  sinal_.notify_one();
}

ResultadoDaClassificacao ClassificacaoEmFundo::terminar() {
  {
    const std::lock_guard trava(mutex_);
    fim_ = true;
  }
  sinal_.notify_one();
  thread_.join();
  return std::move(resultado_);
}

void ClassificacaoEmFundo::trabalhar() {
  for (;;) {
    std::unique_lock trava(mutex_);
    sinal_.wait(trava, [this] { return fim_ || !fila_.empty(); });
    if (fila_.empty()) return;
    auto [indice, dados] = std::move(fila_.front());
    fila_.pop_front();
    trava.unlock();
    const bool padrao =
        classificador_.numero_do_padrao(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(dados.get(), TAMANHO_DO_QUADRO))
            .has_value();
    ++(padrao ? resultado_.padrao : resultado_.cano);
    if (guardar_.contains(indice)) resultado_.guardados.push_back({indice, padrao, std::move(dados)});
  }
}

}  // namespace norva::ferramentas
