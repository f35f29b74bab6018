// The pipe client's logic against scripted writers over the in-process
// transport: what each request gets, the counters, the log lines, reconnects
// and a prompt stop.
#include "fonte/src/quadros/cano.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <future>
#include <system_error>
#include <thread>

#include "fonte/src/quadros/apoio_de_teste.h"
#include "fonte/src/quadros/ciclo_de_leitura.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/quadros/transporte_em_memoria.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using teste::esperar_ate;
using teste::mesmos_bytes;
using teste::quadro_de_teste;
using teste::registro_completo;

const std::string CONECTADO = "cano conectado";
const std::string CAIU = "cano caiu; voltando a esperar";
const std::string CONFIGURADO = "cano desta câmera configurado (nome omitido)";
const std::string INDISPONIVEL =
    "cano indisponível (The system cannot find the file specified. (os error 2)); entregando padrão de bancada";
// Long enough that a request that returns sooner was woken, not timed out.
constexpr auto ESPERA_LONGA = 10s;
// How soon a woken request or a stopped reader must be done.
constexpr auto PRONTAMENTE = 100ms;

class CanoEmMemoria : public testing::Test {
 protected:
  void SetUp() override { cano_ = Cano::novo(transporte_, lancador()); }

  // Starts the reader on a thread of its own and counts it while it lives.
  LancadorDoLeitor lancador() {
    return [vivos = leitores_vivos_](std::function<void()> corpo) {
      ++*vivos;
      std::thread([corpo = std::move(corpo), vivos] {
        corpo();
        --*vivos;
      }).detach();
    };
  }

  void TearDown() override {
    cano_->encerrar();
    EXPECT_TRUE(esperar_ate([&] { return *leitores_vivos_ == 0; })) << "reader thread still running";
    EXPECT_EQ(transporte_->conexoes_abertas(), 0u);
  }

  // Creates the pipe, starts the Cano and accepts its connection.
  std::unique_ptr<LadoDoEscritor> conectar() {
    // Two instances: the reader's immediate reopen after a drop finds the
    // second one free, like a writer that keeps an instance listening.
    if (!servidor_) servidor_ = transporte_->criar(nome_do_cano(NOME), 2);
    cano_->iniciar(NOME);
    auto escritor = servidor_->aceitar(5s);
    EXPECT_NE(escritor, nullptr);
    EXPECT_TRUE(esperar_ate([&] { return cano_->contadores().conectado; }));
    return escritor;
  }

  void enviar(LadoDoEscritor& escritor, std::uint32_t semente, std::uint64_t ts = 0) {
    ASSERT_TRUE(escritor.escrever(registro_completo(quadro_de_teste(semente), ts)));
  }

  bool esperar_recebidos(std::uint64_t n) {
    return esperar_ate([&] { return cano_->contadores().recebidos >= n; });
  }

  const std::string NOME = "câmera de teste";
  std::shared_ptr<TransporteEmMemoria> transporte_ = TransporteEmMemoria::novo();
  std::shared_ptr<std::atomic<int>> leitores_vivos_ = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<Cano> cano_;
  std::unique_ptr<ServidorEmMemoria> servidor_;
  teste::MarcaDoRegistro marca_;
};

TEST_F(CanoEmMemoria, QuadrosChegamByteAByteComSeuTs) {
  auto escritor = conectar();
  const std::uint64_t TS[] = {0, 18446744073709551615u, 42};
  for (std::uint32_t i = 0; i < std::size(TS); ++i) {
    enviar(*escritor, i, TS[i]);
    ASSERT_TRUE(esperar_recebidos(i + 1));
    const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
    EXPECT_EQ(q.origem, Origem::Cano) << "frame " << i;
    EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(i))) << "frame " << i;
    EXPECT_EQ(cano_->contadores().ts_do_host, TS[i]) << "frame " << i;
  }
  const ContadoresDoCano c = cano_->contadores();
  EXPECT_TRUE(c.conectado);
  EXPECT_EQ(c.recebidos, 3u);
  EXPECT_EQ(c.entregues, 3u);
  EXPECT_EQ(c.descartados, 0u);
  EXPECT_EQ(c.repetidos, 0u);
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO}));
}

TEST_F(CanoEmMemoria, DezQuadrosEntreDoisPedidosDaoODecimo) {
  auto escritor = conectar();
  enviar(*escritor, 100);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  const ContadoresDoCano antes = cano_->contadores();
  for (std::uint32_t i = 1; i <= 10; ++i) enviar(*escritor, 100 + i, i);
  ASSERT_TRUE(esperar_recebidos(antes.recebidos + 10));
  const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
  EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(110)));
  const ContadoresDoCano depois = cano_->contadores();
  EXPECT_EQ(depois.recebidos - antes.recebidos, 10u);
  EXPECT_EQ(depois.descartados - antes.descartados, 9u);
  EXPECT_EQ(depois.entregues - antes.entregues, 1u);
  EXPECT_EQ(depois.ts_do_host, 10u);
}

TEST_F(CanoEmMemoria, EscritorCaladoEsperaERepete) {
  auto escritor = conectar();
  // Nothing delivered yet: after the wait, a pattern frame (n = 0).
  auto inicio = Relogio::now();
  QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
  EXPECT_GE(Relogio::now() - inicio, ESPERA_MAXIMA_DO_CANO);
  EXPECT_EQ(q.origem, Origem::Padrao);
  EXPECT_EQ(std::memcmp(q.dados.get(), PadraoDeBancada::desenhar(0).get(), TAMANHO_DO_QUADRO), 0);

  enviar(*escritor, 7);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  for (std::uint64_t vez = 1; vez <= 2; ++vez) {
    inicio = Relogio::now();
    q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
    EXPECT_GE(Relogio::now() - inicio, ESPERA_MAXIMA_DO_CANO) << "repeat " << vez;
    EXPECT_EQ(q.origem, Origem::Cano) << "repeat " << vez;
    EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(7))) << "repeat " << vez;
    const ContadoresDoCano c = cano_->contadores();
    EXPECT_EQ(c.repetidos, vez);
    EXPECT_EQ(c.entregues, vez + 1);
  }
}

TEST_F(CanoEmMemoria, EscritorFechaDuranteUmaEsperaAcordaNaHora) {
  auto escritor = conectar();
  enviar(*escritor, 9);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);

  auto pedido = std::async(std::launch::async, [&] {
    const auto inicio = Relogio::now();
    QuadroEntregue q = cano_->obter_quadro(ESPERA_LONGA);
    return std::pair{std::move(q), Relogio::now() - inicio};
  });
  std::this_thread::sleep_for(200ms);  // the request is waiting
  // The application quits: no instance is left for an immediate reopen.
  const auto fechou = Relogio::now();
  servidor_.reset();
  ASSERT_EQ(pedido.wait_for(5s), std::future_status::ready);
  auto [q, esperou] = pedido.get();
  EXPECT_EQ(q.origem, Origem::Padrao);
  EXPECT_LT(Relogio::now() - fechou, 1s) << "the waiting request was not woken";
  EXPECT_LT(esperou, 2s);

  // Back again: the frame of the previous connection is never repeated.
  escritor = conectar();
  EXPECT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Padrao);
  const auto linhas = marca_.novas();
  ASSERT_EQ(linhas.size(), 5u);
  EXPECT_EQ(linhas[2], CAIU);
  EXPECT_EQ(linhas[3], INDISPONIVEL);
  EXPECT_EQ(linhas[4], CONECTADO);
}

using teste::CabecalhoRuim;

class CanoCabecalhoRuim : public CanoEmMemoria, public testing::WithParamInterface<CabecalhoRuim> {};

TEST_P(CanoCabecalhoRuim, RegistraFechaEReconecta) {
  auto escritor = conectar();
  // A whole frame just before the bad header is still delivered, once.
  enviar(*escritor, 31);
  escritor->escrever(GetParam().cabecalho.codificar());
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CONECTADO) == 2; }));
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO, GetParam().linha, CAIU, CONECTADO}));
  const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
  EXPECT_EQ(q.origem, Origem::Cano);
  EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(31)));
  EXPECT_EQ(cano_->contadores().recebidos, 1u);
  EXPECT_EQ(transporte_->aberturas(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CanoCabecalhoRuim, testing::ValuesIn(teste::CABECALHOS_RUINS),
    [](const auto& info) { return std::string(info.param.nome); });

// A server that refuses every connection: the reader backs off from 500 ms
// up to 30 s (the pauses are recorded, no time passes), so at most a few
// lines a minute reach the log; a whole record starts the back-off over, and
// a connection lost after frames reopens at once.
TEST_F(CanoEmMemoria, MilRecusasEsperamCadaVezMais) {
  constexpr int RECUSAS = 1000;
  constexpr auto JANELA = 10s;
  constexpr std::size_t MAXIMO_DE_LINHAS_NA_JANELA = 30;
  std::mutex mutex;
  std::vector<std::chrono::milliseconds> pausas;
  const auto numero_de_pausas = [&] {
    const std::lock_guard trava(mutex);
    return pausas.size();
  };
  cano_ = Cano::novo(transporte_, lancador(), [&](std::chrono::milliseconds d) {
    const std::lock_guard trava(mutex);
    pausas.push_back(d);
  });
  servidor_ = transporte_->criar(nome_do_cano(NOME), 2);
  cano_->iniciar(NOME);
  const auto recusar = [&](const std::vector<std::uint8_t>& antes) {
    auto escritor = servidor_->aceitar(5s);
    ASSERT_NE(escritor, nullptr);
    escritor->escrever(antes);
    escritor->escrever(teste::CABECALHOS_RUINS[2].cabecalho.codificar());
    ASSERT_TRUE(escritor->esperar_leitor_fechar(5s));
  };
  for (int i = 0; i < RECUSAS; ++i) recusar({});
  ASSERT_TRUE(esperar_ate([&] { return numero_de_pausas() == RECUSAS; }));

  // Lines per cycle, placed in the time the pauses would have taken.
  const auto linhas = marca_.novas();
  const std::size_t linhas_por_ciclo = (linhas.size() - 1) / RECUSAS;
  std::chrono::milliseconds relogio{0};
  std::size_t linhas_na_janela = 1;
  for (int i = 0; i < RECUSAS && relogio < JANELA; ++i) {
    linhas_na_janela += linhas_por_ciclo;
    relogio += pausas[static_cast<std::size_t>(i)];
  }
  std::printf("%d refusals: %zu lines written, %zu in the first %lld s\n", RECUSAS, linhas.size(),
              linhas_na_janela, static_cast<long long>(JANELA / 1s));
  EXPECT_EQ(linhas_por_ciclo, 3u);
  EXPECT_LE(linhas_na_janela, MAXIMO_DE_LINHAS_NA_JANELA);
  std::chrono::milliseconds esperada = PAUSA_APOS_FALHA;
  for (std::size_t i = 0; i < RECUSAS; ++i) {
    ASSERT_EQ(pausas[i], esperada) << "pause " << i;
    esperada = std::min(esperada * 2, PAUSA_MAXIMA_APOS_RECUSA);
  }

  // Frames, then the writer closes: the reader reopens without a pause.
  {
    auto escritor = servidor_->aceitar(5s);
    ASSERT_NE(escritor, nullptr);
    enviar(*escritor, 1);
    ASSERT_TRUE(esperar_recebidos(1));
  }
  // The record started the back-off over.
  recusar(registro_completo(quadro_de_teste(2), 0));
  ASSERT_TRUE(esperar_ate([&] { return numero_de_pausas() == RECUSAS + 1; }));
  EXPECT_EQ(pausas.back(), PAUSA_APOS_FALHA);
  EXPECT_EQ(cano_->contadores().recebidos, 2u);
}

TEST_F(CanoEmMemoria, VinteETresBytesEFechaSoCai) {
  auto escritor = conectar();
  const auto registro = registro_completo(quadro_de_teste(1), 0);
  escritor->escrever(std::span(registro).first(23));
  escritor->fechar();
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CONECTADO) == 2; }));
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO, CAIU, CONECTADO}));
  EXPECT_EQ(cano_->contadores().recebidos, 0u);
}

TEST_F(CanoEmMemoria, SemAplicacaoUmaSoLinhaDeIndisponivel) {
  cano_->iniciar(NOME);
  // Three retries at 500 ms.
  std::this_thread::sleep_for(1300ms);
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, INDISPONIVEL}));
  for (std::uint64_t n = 0; n < 2; ++n) {
    const QuadroEntregue q = cano_->obter_quadro(ESPERA_LONGA);
    EXPECT_EQ(q.origem, Origem::Padrao);
    EXPECT_EQ(std::memcmp(q.dados.get(), PadraoDeBancada::desenhar(n).get(), TAMANHO_DO_QUADRO), 0) << "n " << n;
  }
  EXPECT_FALSE(cano_->contadores().conectado);
}

TEST_F(CanoEmMemoria, AplicacaoSaiEVoltaContadoresContinuam) {
  auto escritor = conectar();
  for (std::uint32_t i = 0; i < 3; ++i) enviar(*escritor, i);
  ASSERT_TRUE(esperar_recebidos(3));
  EXPECT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  // The application quits: its pipe and connections disappear with it.
  servidor_.reset();
  escritor.reset();
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar("cano indisponível") == 1; }));
  EXPECT_FALSE(cano_->contadores().conectado);
  std::this_thread::sleep_for(600ms);  // at least one more failed open

  escritor = conectar();
  enviar(*escritor, 3);
  ASSERT_TRUE(esperar_recebidos(4));
  const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
  EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(3)));
  const ContadoresDoCano c = cano_->contadores();
  EXPECT_EQ(c.recebidos, 4u);
  EXPECT_EQ(c.descartados, 2u);
  EXPECT_EQ(c.entregues, 2u);
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO, CAIU, INDISPONIVEL, CONECTADO}));
}

TEST_F(CanoEmMemoria, SegundoIniciarNaoMudaNada) {
  servidor_ = transporte_->criar(std::string(NOME_PADRAO_DO_CANO));
  cano_->iniciar(std::nullopt);
  cano_->iniciar(NOME);
  auto escritor = servidor_->aceitar(5s);
  ASSERT_NE(escritor, nullptr) << "the first call's (default) pipe was not opened";
  ASSERT_TRUE(esperar_ate([&] { return cano_->contadores().conectado; }));
  EXPECT_EQ(marca_.contar(CONFIGURADO), 1u);
  EXPECT_EQ(*leitores_vivos_, 1);
}

TEST_F(CanoEmMemoria, EncerrarDuranteUmaEsperaAcordaComRepeticao) {
  auto escritor = conectar();
  enviar(*escritor, 5);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  auto pedido = std::async(std::launch::async, [&] { return cano_->obter_quadro(ESPERA_LONGA); });
  std::this_thread::sleep_for(200ms);  // the request is waiting
  cano_->encerrar();
  ASSERT_EQ(pedido.wait_for(1s), std::future_status::ready) << "encerrar did not wake the request";
  const QuadroEntregue q = pedido.get();
  EXPECT_EQ(q.origem, Origem::Cano);
  EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(5)));
}

// Where the reader is when the camera is closed.
struct MomentoDaParada {
  const char* nome;
  bool com_aplicacao;
  std::size_t bytes_enviados;  // of one record, before the stop
  bool escritor_fecha = false;  // then closes: the reader is in its back-off pause
};

void PrintTo(const MomentoDaParada& m, std::ostream* os) { *os << m.nome; }

class CanoParada : public CanoEmMemoria, public testing::WithParamInterface<MomentoDaParada> {};

TEST_P(CanoParada, LeitorTerminaProntamenteELiberaTudo) {
  const MomentoDaParada& m = GetParam();
  std::unique_ptr<LadoDoEscritor> escritor;
  if (m.com_aplicacao) {
    escritor = conectar();
    const auto registro = registro_completo(quadro_de_teste(1), 0);
    escritor->escrever(std::span(registro).first(m.bytes_enviados));
    if (m.escritor_fecha) {
      escritor->fechar();
      ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CAIU) == 1; }));
    }
  } else {
    cano_->iniciar(NOME);
    ASSERT_TRUE(esperar_ate([&] { return marca_.contar("cano indisponível") == 1; }));
  }
  std::this_thread::sleep_for(20ms);  // the reader is blocked in its read or pause
  cano_->encerrar();
  const auto inicio = Relogio::now();
  ASSERT_TRUE(esperar_ate([&] { return *leitores_vivos_ == 0; }, 2s));
  EXPECT_LT(Relogio::now() - inicio, PRONTAMENTE);
  EXPECT_EQ(transporte_->conexoes_abertas(), 0u);
  if (escritor) {
    EXPECT_TRUE(escritor->esperar_leitor_fechar(0ms));
  }
  // A stop is not a lost connection.
  EXPECT_EQ(marca_.contar(CAIU), m.escritor_fecha ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Casos, CanoParada,
                         testing::Values(MomentoDaParada{"escritor_calado", true, 0},
                                         MomentoDaParada{"meio_da_carga", true, 24 + 1000},
                                         MomentoDaParada{"pausa_entre_falhas", false, 0},
                                         MomentoDaParada{"pausa_apos_recusa", true, 23, true}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(CanoSemThread, SegueComPadraoSemNadaEscapar) {
  auto transporte = TransporteEmMemoria::novo();
  auto servidor = transporte->criar(nome_do_cano(std::nullopt));
  auto cano = Cano::novo(transporte, [](std::function<void()>) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  });
  const teste::MarcaDoRegistro marca;
  EXPECT_NO_THROW(cano->iniciar(std::nullopt));
  const auto inicio = Relogio::now();
  EXPECT_EQ(cano->obter_quadro(ESPERA_LONGA).origem, Origem::Padrao);
  EXPECT_LT(Relogio::now() - inicio, 1s);
  EXPECT_EQ(marca.novas(), std::vector<std::string>{CONFIGURADO});
  EXPECT_EQ(transporte->aberturas(), 0u);
  cano->encerrar();
}

TEST(CanoNaoIniciado, DaPadraoSemEsperar) {
  auto cano = Cano::novo(TransporteEmMemoria::novo());
  const teste::MarcaDoRegistro marca;
  for (std::uint64_t n = 0; n < 3; ++n) {
    const QuadroEntregue q = cano->obter_quadro(ESPERA_LONGA);
    EXPECT_EQ(q.origem, Origem::Padrao);
    EXPECT_EQ(std::memcmp(q.dados.get(), PadraoDeBancada::desenhar(n).get(), TAMANHO_DO_QUADRO), 0) << "n " << n;
  }
  const ContadoresDoCano c = cano->contadores();
  EXPECT_EQ(c.entregues + c.recebidos + c.repetidos, 0u);
  EXPECT_TRUE(marca.novas().empty());
}

TEST_F(CanoEmMemoria, IdadeDoQuadro) {
  auto escritor = conectar();
  enviar(*escritor, 1);
  ASSERT_TRUE(esperar_recebidos(1));
  std::this_thread::sleep_for(5ms);
  (void)cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
  const auto idade = cano_->contadores().idade_do_quadro;
  EXPECT_GE(idade, 5000u);
  EXPECT_LT(idade, 1000000u);
}

// Many requests at once while the writer sends and drops connections: every
// delivery is one whole frame, the counts only grow and stay consistent.
TEST_F(CanoEmMemoria, PedidosConcorrentesComQuedas) {
  constexpr std::uint32_t CONEXOES = 3;
  constexpr std::uint32_t QUADROS_POR_CONEXAO = 6;
  constexpr int PEDIDORES = 2;
  auto escritor = conectar();
  std::atomic<bool> fim{false};
  std::atomic<int> quadros_mistos{0};
  std::atomic<int> contadores_voltaram{0};

  std::vector<std::thread> pedidores;
  for (int i = 0; i < PEDIDORES; ++i) {
    pedidores.emplace_back([&] {
      while (!fim) {
        const QuadroEntregue q = cano_->obter_quadro(5ms);
        // Frames of this test are uniform, so a mixed one shows at once.
        if (q.origem == Origem::Cano && std::memcmp(q.dados.get(), q.dados.get() + 1, TAMANHO_DO_QUADRO - 1) != 0) {
          ++quadros_mistos;
        }
      }
    });
  }
  std::thread observador([&] {
    ContadoresDoCano antes{};
    while (!fim) {
      const ContadoresDoCano c = cano_->contadores();
      if (c.recebidos < antes.recebidos || c.entregues < antes.entregues || c.descartados < antes.descartados ||
          c.repetidos < antes.repetidos) {
        ++contadores_voltaram;
      }
      antes = c;
    }
  });

  std::uint64_t enviados = 0;
  for (std::uint32_t conexao = 0; conexao < CONEXOES; ++conexao) {
    if (conexao > 0) {
      escritor->fechar();
      escritor = servidor_->aceitar(5s);
      ASSERT_NE(escritor, nullptr);
    }
    for (std::uint32_t i = 0; i < QUADROS_POR_CONEXAO; ++i) {
      std::vector<std::uint8_t> quadro(TAMANHO_DO_QUADRO, static_cast<std::uint8_t>(enviados));
      escritor->escrever(registro_completo(quadro, enviados));
      ++enviados;
    }
    ASSERT_TRUE(esperar_recebidos(enviados));
  }
  fim = true;
  for (auto& t : pedidores) t.join();
  observador.join();
  EXPECT_EQ(quadros_mistos, 0);
  EXPECT_EQ(contadores_voltaram, 0);
  const ContadoresDoCano c = cano_->contadores();
  EXPECT_EQ(c.recebidos, enviados);
  // Every received frame was either taken once or replaced untaken.
  EXPECT_LE(c.entregues - c.repetidos + c.descartados, c.recebidos);
  EXPECT_GE(c.entregues - c.repetidos + c.descartados + 1, c.recebidos);
}

}  // namespace
}  // namespace norva
