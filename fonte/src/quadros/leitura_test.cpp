// Reading records from a connection: how the writer splits its writes does
// not matter, a record is complete or abandoned, bad headers are refused with
// their log line.
#include "fonte/src/quadros/leitura.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "fonte/src/quadros/apoio_de_teste.h"
#include "fonte/src/quadros/transporte_em_memoria.h"

namespace norva {
namespace {

using namespace std::chrono_literals;

struct Ligacao {
  std::shared_ptr<TransporteEmMemoria> transporte = TransporteEmMemoria::novo();
  std::unique_ptr<ServidorEmMemoria> servidor = transporte->criar("leitura");
  std::unique_ptr<ConexaoDoCano> conexao = std::move(*transporte->abrir("leitura"));
  std::unique_ptr<LadoDoEscritor> escritor = servidor->aceitar(1s);
};

using Carga = std::span<std::uint8_t, TAMANHO_DO_QUADRO>;

// A connection that hands out a fixed byte stream at most `passo` bytes per
// read, then end of data: how the writes were split, seen by the reader.
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

struct Fatiamento {
  const char* nome;
  std::size_t passo;
};

void PrintTo(const Fatiamento& f, std::ostream* os) { *os << f.nome; }

class LeituraFatiada : public testing::TestWithParam<Fatiamento> {};

TEST_P(LeituraFatiada, DoisRegistrosLidosIgual) {
  const auto a = teste::quadro_de_teste(1);
  const auto b = teste::quadro_de_teste(2);
  auto dois = teste::registro_completo(a, 11);
  const auto rb = teste::registro_completo(b, 22);
  dois.insert(dois.end(), rb.begin(), rb.end());
  ConexaoFatiada conexao(std::move(dois), GetParam().passo);
  std::vector<std::uint8_t> carga(TAMANHO_DO_QUADRO);
  const RegistroLido r1 = ler_registro(conexao, Carga(carga.data(), TAMANHO_DO_QUADRO));
  EXPECT_EQ(r1.desfecho, DesfechoDoRegistro::Quadro);
  EXPECT_EQ(r1.ts_do_host, 11u);
  EXPECT_EQ(carga, a);
  const RegistroLido r2 = ler_registro(conexao, Carga(carga.data(), TAMANHO_DO_QUADRO));
  EXPECT_EQ(r2.desfecho, DesfechoDoRegistro::Quadro);
  EXPECT_EQ(r2.ts_do_host, 22u);
  EXPECT_EQ(carga, b);
  EXPECT_EQ(ler_registro(conexao, Carga(carga.data(), TAMANHO_DO_QUADRO)).desfecho, DesfechoDoRegistro::Perdido);
}

INSTANTIATE_TEST_SUITE_P(Casos, LeituraFatiada,
                         testing::Values(Fatiamento{"um_byte", 1}, Fatiamento{"sete_bytes", 7},
                                         Fatiamento{"meio_registro", TAMANHO_DO_REGISTRO / 2},
                                         Fatiamento{"dois_registros_de_uma_vez", 2 * TAMANHO_DO_REGISTRO}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(Leitura, EscritasDeUmByteDeOutraThread) {
  // The header and the start of the payload one byte per write while the
  // reader is blocked; the rest in one write.
  constexpr std::size_t BYTES_UM_A_UM = 4096;
  Ligacao l;
  const auto a = teste::quadro_de_teste(3);
  const auto registro = teste::registro_completo(a, 33);
  std::thread escrita([&] {
    for (std::size_t i = 0; i < BYTES_UM_A_UM; ++i) l.escritor->escrever({&registro[i], 1});
    l.escritor->escrever(std::span(registro).subspan(BYTES_UM_A_UM));
  });
  std::vector<std::uint8_t> carga(TAMANHO_DO_QUADRO);
  const RegistroLido r = ler_registro(*l.conexao, Carga(carga.data(), TAMANHO_DO_QUADRO));
  escrita.join();
  EXPECT_EQ(r.desfecho, DesfechoDoRegistro::Quadro);
  EXPECT_EQ(r.ts_do_host, 33u);
  EXPECT_EQ(carga, a);
}

struct CasoDeCorte {
  const char* nome;
  std::size_t bytes_antes_de_fechar;
};

void PrintTo(const CasoDeCorte& c, std::ostream* os) { *os << c.nome; }

class CorteNoMeio : public testing::TestWithParam<CasoDeCorte> {};

TEST_P(CorteNoMeio, PerdidoSemMensagemPropria) {
  Ligacao l;
  const auto registro = teste::registro_completo(teste::quadro_de_teste(3), 5);
  l.escritor->escrever(std::span(registro).first(GetParam().bytes_antes_de_fechar));
  l.escritor->fechar();
  const teste::MarcaDoRegistro marca;
  std::vector<std::uint8_t> carga(TAMANHO_DO_QUADRO);
  EXPECT_EQ(ler_registro(*l.conexao, Carga(carga.data(), TAMANHO_DO_QUADRO)).desfecho, DesfechoDoRegistro::Perdido);
  EXPECT_TRUE(marca.novas().empty());
  // Nothing more than the one record was taken from the stream.
  EXPECT_EQ(l.escritor->pendentes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Casos, CorteNoMeio,
                         testing::Values(CasoDeCorte{"nada", 0}, CasoDeCorte{"cabecalho_23", 23},
                                         CasoDeCorte{"cabecalho_inteiro", 24},
                                         CasoDeCorte{"meio_da_carga", 24 + TAMANHO_DO_QUADRO / 2},
                                         CasoDeCorte{"falta_um_byte", TAMANHO_DO_REGISTRO - 1}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(Leitura, CabecalhoRuimRecusaSemLerACarga) {
  Ligacao l;
  CabecalhoDoQuadro ruim{CabecalhoDoQuadro::MAGICO, LARGURA, ALTURA, static_cast<std::uint32_t>(TAMANHO_DO_QUADRO) + 1, 0};
  const auto bytes = ruim.codificar();
  l.escritor->escrever(bytes);
  const std::vector<std::uint8_t> resto(100, 0xAB);
  l.escritor->escrever(resto);
  const teste::MarcaDoRegistro marca;
  std::vector<std::uint8_t> carga(TAMANHO_DO_QUADRO);
  EXPECT_EQ(ler_registro(*l.conexao, Carga(carga.data(), TAMANHO_DO_QUADRO)).desfecho, DesfechoDoRegistro::Recusado);
  EXPECT_EQ(marca.novas(), std::vector<std::string>{ruim.mensagem_de_recusa()});
  EXPECT_EQ(l.escritor->pendentes(), resto.size());
}

TEST(Leitura, InterrompidaDuranteUmaLeituraBloqueada) {
  Ligacao l;
  std::vector<std::uint8_t> carga(TAMANHO_DO_QUADRO);
  std::thread parar([&] {
    std::this_thread::sleep_for(20ms);
    l.conexao->interromper();
  });
  EXPECT_EQ(ler_registro(*l.conexao, Carga(carga.data(), TAMANHO_DO_QUADRO)).desfecho,
            DesfechoDoRegistro::Interrompido);
  parar.join();
}

}  // namespace
}  // namespace norva
