#include "fonte/src/lib/teste/escritor_em_fundo.h"

#include <gtest/gtest.h>

#include <span>

#include "fonte/src/quadros/nome_do_cano.h"

namespace norva::teste {

using namespace std::chrono_literals;

EscritorEmFundo::EscritorEmFundo(const std::string& nome_da_camera, std::uint8_t valor,
                                 std::chrono::milliseconds periodo)
    : servidor_(nome_do_cano(nome_da_camera)), quadro_(TAMANHO_DO_QUADRO, valor), periodo_(periodo) {
  EXPECT_EQ(servidor_.preparar(), 0u);
  thread_ = std::thread([this] { servir(); });
}

EscritorEmFundo::~EscritorEmFundo() {
  parar_ = true;
  thread_.join();
}

void EscritorEmFundo::servir() {
  const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> bytes(quadro_.data(), TAMANHO_DO_QUADRO);
  for (std::uint64_t n = 0; !parar_;) {
    auto conexao = servidor_.aceitar(50ms);
    if (!conexao) continue;
    ++conexoes_;
    servidor_.preparar();  // the next camera finds an instance at once
    while (!parar_ && conexao->escrever_quadro(bytes, ++n)) std::this_thread::sleep_for(periodo_);
  }
}

}  // namespace norva::teste
