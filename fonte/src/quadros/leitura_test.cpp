// Reading records from a connection: how the writer splits its writes does
// not matter, a record is complete or abandoned, a bad header is refused with
// its log line. (A stop during a blocked read: cano_test.cpp.)
#include "fonte/src/quadros/leitura.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fonte/src/quadros/teste/apoio.h"

namespace norva {
namespace {

using Desfecho = DesfechoDoPacote;

// A fixed byte stream handed out at most `passo` bytes per read, then end of
// data: how the writes were split, as the reader sees it.
class ConexaoFatiada final : public ConexaoDoCano {
 public:
  ConexaoFatiada(std::vector<std::uint8_t> bytes, std::size_t passo) : bytes_(std::move(bytes)), passo_(passo) {}
  ResultadoDaLeitura ler(std::span<std::uint8_t> destino) override {
    const std::size_t n = std::min({passo_, destino.size(), bytes_.size() - lidos_});
    if (n == 0) return {FimDaLeitura::Fim, 0};
    std::memcpy(destino.data(), bytes_.data() + lidos_, n);
    lidos_ += n;
    return {FimDaLeitura::Dados, n};
  }
  void interromper() noexcept override {}

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t passo_;
  std::size_t lidos_ = 0;
};

const std::vector<std::uint8_t> A = teste::quadro_de_teste(1);
const std::vector<std::uint8_t> B = teste::quadro_de_teste(2);
const std::vector<std::uint8_t> PACOTE_A = teste::pacote_completo(A, 11);
const std::vector<std::uint8_t> PACOTE_B = teste::pacote_completo(B, 18446744073709551615u);

std::vector<std::uint8_t> a_e_depois(const std::vector<std::uint8_t>& resto) {
  std::vector<std::uint8_t> v = PACOTE_A;
  v.insert(v.end(), resto.begin(), resto.end());
  return v;
}

std::vector<std::uint8_t> primeiros_de_a(std::size_t n) { return {PACOTE_A.begin(), PACOTE_A.begin() + n}; }

std::vector<std::uint8_t> ruim_e_mais() {
  const auto ruim = teste::CABECALHO_RUIM.codificar();
  std::vector<std::uint8_t> v(ruim.begin(), ruim.end());
  v.resize(v.size() + 100, 0xAB);
  return v;
}

// One stream, read record after record until the reader gives up: the
// outcome of the last read, and which frames came before it.
struct CasoDeLeitura {
  const char* nome;
  std::vector<std::uint8_t> fluxo;
  std::size_t passo;
  std::size_t quadros;  // whole records before the end (A, then B)
  Desfecho fim;
  bool recusa_registrada = false;
};

const CasoDeLeitura CASOS[] = {
    {"dois_pacotes_um_byte_por_leitura", a_e_depois(PACOTE_B), 1, 2, Desfecho::Perdido},
    {"dois_pacotes_numa_leitura", a_e_depois(PACOTE_B), 2 * TAMANHO_DO_PACOTE, 2, Desfecho::Perdido},
    {"cabecalho_23", primeiros_de_a(23), 1, 0, Desfecho::Perdido},
    {"meio_da_carga", primeiros_de_a(24 + TAMANHO_DO_QUADRO / 2), TAMANHO_DO_PACOTE, 0, Desfecho::Perdido},
    {"falta_um_byte_apos_um_inteiro", a_e_depois(primeiros_de_a(TAMANHO_DO_PACOTE - 1)), TAMANHO_DO_PACOTE, 1,
     Desfecho::Perdido},
    {"cabecalho_ruim_apos_um_inteiro", a_e_depois(ruim_e_mais()), TAMANHO_DO_PACOTE, 1, Desfecho::Recusado, true},
};

class Leitura : public testing::TestWithParam<CasoDeLeitura> {};

TEST_P(Leitura, QuadrosInteirosEDepoisOFim) {
  const CasoDeLeitura& c = GetParam();
  ConexaoFatiada conexao(c.fluxo, c.passo);
  const teste::MarcaDoRegistro marca;
  std::vector<std::uint8_t> pacote(TAMANHO_DO_PACOTE);
  const auto ler = [&] { return ler_pacote(conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE>(pacote)); };
  for (std::size_t i = 0; i < c.quadros; ++i) {
    const PacoteLido r = ler();
    ASSERT_EQ(r.desfecho, Desfecho::Quadro) << "record " << i;
    EXPECT_EQ(r.ts_do_host, i == 0 ? 11u : 18446744073709551615u) << "record " << i;
    EXPECT_TRUE(std::equal(pacote.begin() + CabecalhoDoQuadro::TAMANHO, pacote.end(), (i == 0 ? A : B).begin()))
        << "record " << i;
  }
  EXPECT_EQ(ler().desfecho, c.fim);
  EXPECT_EQ(marca.novas(), c.recusa_registrada ? std::vector{teste::CABECALHO_RUIM.mensagem_de_recusa()}
                                               : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Casos, Leitura, testing::ValuesIn(CASOS),
                         [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
}  // namespace norva
