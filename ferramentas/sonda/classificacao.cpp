#include "ferramentas/sonda/classificacao.h"

#include <algorithm>
#include <cstring>

#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva::ferramentas {
namespace {

using P = PadraoDeBancada;

// Row 1 lies on no grid row and its ramp stays far below white, so there the
// only white luma is the bar.
constexpr std::size_t LINHA_DA_BARRA = 1;
// Frames between two identical bar positions.
constexpr std::uint64_t CICLO_DA_BARRA = LARGURA / P::PASSO_DA_BARRA;

std::optional<std::uint32_t> inicio_da_barra_em(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  const std::uint8_t* linha = quadro.data() + LINHA_DA_BARRA * LARGURA;
  const std::uint8_t* achado = std::find(linha, linha + LARGURA, P::LUMA_DO_BRANCO);
  if (achado == linha + LARGURA) return std::nullopt;
  return static_cast<std::uint32_t>(achado - linha);
}

}  // namespace

Classificador::Classificador() : rascunho_(novo_quadro()) {}

std::optional<std::uint64_t> Classificador::numero_do_padrao(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  const auto inicio = inicio_da_barra_em(quadro);
  if (!inicio || *inicio % P::PASSO_DA_BARRA != 0) return std::nullopt;
  const std::uint8_t u = quadro[TAMANHO_DO_PLANO_Y];
  const std::uint8_t v = quadro[TAMANHO_DO_PLANO_Y + 1];
  for (std::uint64_t n = *inicio / P::PASSO_DA_BARRA; n <= MAIOR_N_PROCURADO; n += CICLO_DA_BARRA) {
    const P::Croma croma = P::croma(n);
    if (croma.u != u || croma.v != v) continue;
    std::span<std::uint8_t, TAMANHO_DO_QUADRO> destino(rascunho_.get(), TAMANHO_DO_QUADRO);
    P::desenhar_em(n, destino);
    if (std::memcmp(destino.data(), quadro.data(), TAMANHO_DO_QUADRO) == 0) return n;
  }
  return std::nullopt;
}

}  // namespace norva::ferramentas
