// The pipe client's logic against scripted writers over the in-process
// transport: what each request gets, the counters, the log lines, reopening
// and its pauses, and a prompt stop.
#include "fonte/src/quadros/cano.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/transporte_em_memoria.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using teste::CAIU;
using teste::CONECTADO;
using teste::CONFIGURADO;
using teste::esperar_ate;
using teste::mesmos_bytes;
using teste::quadro_de_teste;
using teste::pacote_completo;
using Linhas = std::vector<std::string>;

const std::string INDISPONIVEL =
    "cano indisponível (The system cannot find the file specified. (os error 2)); entregando padrão de bancada";
// Long enough that a request that returns sooner was woken, not timed out.
constexpr auto ESPERA_LONGA = 10s;
// How soon a stopped reader must be done.
constexpr auto PRONTAMENTE = 100ms;

bool e_o_padrao(const QuadroEntregue& q, std::uint64_t n) {
  return q.origem == Origem::Padrao && std::memcmp(q.dados.get(), PadraoDeBancada::desenhar(n).get(), TAMANHO_DO_QUADRO) == 0;
}

bool e_do_cano(const QuadroEntregue& q, std::uint32_t semente) {
  return q.origem == Origem::Cano && mesmos_bytes(q.dados, quadro_de_teste(semente));
}

// Received, delivered, dropped untaken, repeated.
std::array<std::uint64_t, 4> contagens(const ContadoresDoCano& c) {
  return {c.recebidos, c.entregues, c.descartados, c.repetidos};
}

class CanoEmMemoria : public testing::Test {
 protected:
  void TearDown() override {
    cano_->encerrar();
    EXPECT_TRUE(esperar_ate([&] { return leitores_vivos() == 0; })) << "reader thread still running";
    EXPECT_EQ(transporte_->conexoes_abertas(), 0u);
  }

  // Creates the pipe if needed, starts the Cano and accepts its connection.
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
    ASSERT_TRUE(escritor.escrever(pacote_completo(quadro_de_teste(semente), ts)));
  }

  bool esperar_recebidos(std::uint64_t n) {
    return esperar_ate([&] { return cano_->contadores().recebidos >= n; });
  }

  const std::string NOME = "câmera de teste";
  std::shared_ptr<TransporteEmMemoria> transporte_ = TransporteEmMemoria::novo();
  std::shared_ptr<Cano> cano_ = Cano::novo(transporte_);
  std::unique_ptr<ServidorEmMemoria> servidor_;
  teste::MarcaDoRegistro marca_;
};

// A request that finds nothing new waits up to 66 ms, then gets a pattern
// frame before the first pipe frame and a repeat after it.
bool esperou(Relogio::time_point inicio) { return Relogio::now() - inicio >= ESPERA_MAXIMA_DO_CANO; }

TEST_F(CanoEmMemoria, PadraoQuadrosComSeuTsRepeticaoEOMaisNovo) {
  auto escritor = conectar();
  auto inicio = Relogio::now();
  EXPECT_TRUE(e_o_padrao(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO), 0));
  EXPECT_TRUE(esperou(inicio));
  enviar(*escritor, 1, 18446744073709551615u);
  ASSERT_TRUE(esperar_recebidos(1));
  EXPECT_TRUE(e_do_cano(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO), 1));
  EXPECT_EQ(cano_->contadores().ts_do_host, 18446744073709551615u);
  for (std::uint64_t vez = 1; vez <= 2; ++vez) {
    inicio = Relogio::now();
    EXPECT_TRUE(e_do_cano(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO), 1)) << "repeat " << vez;
    EXPECT_TRUE(esperou(inicio)) << "repeat " << vez;
    EXPECT_EQ(contagens(cano_->contadores()), (std::array<std::uint64_t, 4>{1, 1 + vez, 0, vez}));
  }
  // Ten frames between two requests: the tenth; its age runs from its arrival.
  for (std::uint32_t i = 1; i <= 10; ++i) enviar(*escritor, 100 + i, i);
  ASSERT_TRUE(esperar_recebidos(11));
  std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(110)));
  const ContadoresDoCano c = cano_->contadores();
  EXPECT_EQ(contagens(c), (std::array<std::uint64_t, 4>{11, 4, 9, 2}));
  EXPECT_EQ(c.ts_do_host, 10u);
  EXPECT_GE(c.idade_do_quadro, 5000u);
  EXPECT_LT(c.idade_do_quadro, 1000000u);
  EXPECT_EQ(marca_.novas(), (Linhas{CONFIGURADO, CONECTADO}));
}

TEST_F(CanoEmMemoria, AplicacaoSaiDuranteUmaEsperaEVolta) {
  auto escritor = conectar();
  for (std::uint32_t i = 0; i < 3; ++i) enviar(*escritor, i);
  ASSERT_TRUE(esperar_recebidos(3));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  auto pedido = std::async(std::launch::async, [&] { return cano_->obter_quadro(ESPERA_LONGA); });
  std::this_thread::sleep_for(200ms);  // the request is waiting
  // The application quits: its pipe and connections disappear with it. The
  // request would wait 10 s unless woken.
  servidor_.reset();
  escritor.reset();
  ASSERT_EQ(pedido.wait_for(5s), std::future_status::ready) << "the waiting request was not woken";
  EXPECT_EQ(pedido.get().origem, Origem::Padrao);
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar("cano indisponível") == 1; }));
  EXPECT_FALSE(cano_->contadores().conectado);
  std::this_thread::sleep_for(600ms);  // at least one more failed open, not logged

  // Back again: the frame of the previous connection is never repeated, and
  // the counts go on.
  escritor = conectar();
  EXPECT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Padrao);
  enviar(*escritor, 3);
  ASSERT_TRUE(esperar_recebidos(4));
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(3)));
  EXPECT_EQ(contagens(cano_->contadores()), (std::array<std::uint64_t, 4>{4, 2, 2, 0}));
  EXPECT_EQ(marca_.novas(), (Linhas{CONFIGURADO, CONECTADO, CAIU, INDISPONIVEL, CONECTADO}));
}

// Every reopen and the pause before it (recorded; no time passes): 500 ms
// between failed opens, with one log line for the run; after a refused header
// or a connection that ended before its first record, 500 ms doubling up to
// 30 s, so a server that refuses everything writes a few lines a minute; none
// after a connection that delivered frames, and a whole record starts the
// back-off over.
TEST_F(CanoEmMemoria, ReaberturasEPausas) {
  constexpr int RECUSAS = 1000;
  // Shared with the reader, which may pause once more after the test's end.
  struct Pausas {
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> lista;
  };
  const auto pausas = std::make_shared<Pausas>();
  cano_ = Cano::novo(transporte_, lancar_thread_destacada, [pausas](std::chrono::milliseconds d) {
    const std::lock_guard trava(pausas->mutex);
    pausas->lista.push_back(d);
  });
  // The pauses since the last call. Called while the reader is connected and
  // waiting for data: it pauses only before it reopens.
  const auto pausas_ate_aqui = [&] {
    const std::lock_guard trava(pausas->mutex);
    return std::exchange(pausas->lista, {});
  };
  cano_->iniciar(NOME);
  ASSERT_TRUE(esperar_ate([&] { return pausas_ate_aqui().size() >= 3; }));
  servidor_ = transporte_->criar(nome_do_cano(NOME), 2);
  auto escritor = servidor_->aceitar(5s);
  ASSERT_NE(escritor, nullptr);
  const auto falhas = pausas_ate_aqui();
  EXPECT_TRUE(std::ranges::all_of(falhas, [](auto d) { return d == PAUSA_APOS_FALHA; }));
  // Writes `bytes` on the open connection, closes it, accepts the next one.
  const auto conexao = [&](const std::vector<std::uint8_t>& bytes) {
    escritor->escrever(bytes);
    escritor->fechar();
    escritor = servidor_->aceitar(5s);
    ASSERT_NE(escritor, nullptr);
  };
  const auto ruim = teste::CABECALHO_RUIM.codificar();
  for (int i = 0; i < RECUSAS; ++i) conexao({ruim.begin(), ruim.end()});
  const auto recuos = pausas_ate_aqui();
  ASSERT_EQ(recuos.size(), static_cast<std::size_t>(RECUSAS));
  std::chrono::milliseconds esperada = PAUSA_APOS_FALHA;
  for (std::size_t i = 0; i < recuos.size(); ++i) {
    ASSERT_EQ(recuos[i], esperada) << "pause " << i;
    esperada = std::min(esperada * 2, PAUSA_MAXIMA_APOS_RECUSA);
  }
  // Frames, then the writer closes: no pause.
  conexao(pacote_completo(quadro_de_teste(1), 0));
  EXPECT_TRUE(pausas_ate_aqui().empty());
  // 23 bytes: a back-off pause, started over by the record before.
  auto pacote = pacote_completo(quadro_de_teste(2), 0);
  conexao({pacote.begin(), pacote.begin() + 23});
  EXPECT_EQ(pausas_ate_aqui(), std::vector{PAUSA_APOS_FALHA});
  // A whole frame, then a bad header: the frame counts and is delivered.
  pacote.insert(pacote.end(), ruim.begin(), ruim.end());
  conexao(pacote);
  EXPECT_EQ(pausas_ate_aqui(), std::vector{PAUSA_APOS_FALHA});
  EXPECT_EQ(cano_->contadores().recebidos, 2u);
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(2)));
  Linhas linhas{CONFIGURADO, INDISPONIVEL, CONECTADO};
  const std::string recusa = teste::CABECALHO_RUIM.mensagem_de_recusa();
  for (int i = 0; i < RECUSAS; ++i) linhas.insert(linhas.end(), {recusa, CAIU, CONECTADO});
  linhas.insert(linhas.end(), {CAIU, CONECTADO, CAIU, CONECTADO, recusa, CAIU, CONECTADO});
  ASSERT_TRUE(esperar_ate([&] { return marca_.novas().size() >= linhas.size(); }));
  EXPECT_TRUE(marca_.novas() == linhas);
}

// Where the reader is when the camera is closed, while a request waits.
struct MomentoDaParada {
  const char* nome;
  bool com_quadro;              // one whole frame first, taken: the waiting request gets its repeat
  std::size_t bytes_enviados;   // of one more record, before the stop
  bool escritor_fecha = false;  // then closes: the reader is in its pause, the one between failed opens too
};

class CanoParada : public CanoEmMemoria, public testing::WithParamInterface<MomentoDaParada> {};

TEST_P(CanoParada, LeitorTerminaProntamenteELiberaTudo) {
  const MomentoDaParada& m = GetParam();
  auto escritor = conectar();
  if (m.com_quadro) {
    enviar(*escritor, 5);
    ASSERT_TRUE(esperar_recebidos(1));
    ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  }
  const auto pacote = pacote_completo(quadro_de_teste(1), 0);
  escritor->escrever(std::span(pacote).first(m.bytes_enviados));
  if (m.escritor_fecha) {
    escritor->fechar();
    ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CAIU) == 1; }));
  }
  auto pedido = std::async(std::launch::async, [&] { return cano_->obter_quadro(ESPERA_LONGA); });
  std::this_thread::sleep_for(20ms);  // the reader is blocked in its read or pause, the request waits
  cano_->encerrar();
  const auto inicio = Relogio::now();
  ASSERT_TRUE(esperar_ate([&] { return leitores_vivos() == 0; }, 2s));
  EXPECT_LT(Relogio::now() - inicio, PRONTAMENTE);
  ASSERT_EQ(pedido.wait_for(1s), std::future_status::ready) << "encerrar did not wake the request";
  const QuadroEntregue q = pedido.get();
  EXPECT_TRUE(m.com_quadro ? e_do_cano(q, 5) : q.origem == Origem::Padrao);
  // A stop is not a lost connection.
  EXPECT_EQ(marca_.contar(CAIU), m.escritor_fecha ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Casos, CanoParada,
                         testing::Values(MomentoDaParada{"escritor_calado", true, 0},
                                         MomentoDaParada{"meio_da_carga", true, 24 + 1000},
                                         MomentoDaParada{"pausa_apos_recusa", false, 23, true}),
                         [](const auto& info) { return std::string(info.param.nome); });

// Not started, then started twice with a thread that cannot be created:
// pattern frames in their order, at once; one attempt; nothing escapes.
TEST(CanoSemLeitor, PadraoSemEsperar) {
  auto transporte = TransporteEmMemoria::novo();
  int lancamentos = 0;
  auto cano = Cano::novo(transporte, [&](std::function<void()>) {
    ++lancamentos;
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  });
  const teste::MarcaDoRegistro marca;
  const auto inicio = Relogio::now();
  EXPECT_TRUE(e_o_padrao(cano->obter_quadro(ESPERA_LONGA), 0));
  EXPECT_NO_THROW(cano->iniciar(std::nullopt));
  EXPECT_NO_THROW(cano->iniciar("outra"));
  EXPECT_TRUE(e_o_padrao(cano->obter_quadro(ESPERA_LONGA), 1));
  EXPECT_LT(Relogio::now() - inicio, 1s);
  EXPECT_EQ(lancamentos, 1);
  EXPECT_EQ(marca.novas(), Linhas{CONFIGURADO});
}

// Requests on two threads while the writer sends and drops connections:
// every delivery is one whole frame, and every frame received is taken once
// or replaced untaken. Enough frames that the reader, looking for its next
// buffer, often finds one a request is still copying out of.
TEST_F(CanoEmMemoria, PedidosConcorrentesComQuedas) {
  auto escritor = conectar();
  std::atomic<bool> fim{false};
  std::atomic<int> quadros_mistos{0};
  const auto pedir = [&] {
    while (!fim) {
      const QuadroEntregue q = cano_->obter_quadro(5ms);
      // Frames of this test are uniform, so a mixed one shows at once.
      const bool misto = std::memcmp(q.dados.get(), q.dados.get() + 1, TAMANHO_DO_QUADRO - 1) != 0;
      quadros_mistos += q.origem == Origem::Cano && misto ? 1 : 0;
    }
  };
  std::thread pedidores[] = {std::thread(pedir), std::thread(pedir)};
  std::uint8_t enviados = 0;
  for (int conexao = 0; conexao < 3; ++conexao) {
    if (conexao > 0) {
      escritor->fechar();
      escritor = servidor_->aceitar(5s);
      ASSERT_NE(escritor, nullptr);
    }
    for (int i = 0; i < 30; ++i, ++enviados) {
      escritor->escrever(pacote_completo(std::vector<std::uint8_t>(TAMANHO_DO_QUADRO, enviados), enviados));
    }
    ASSERT_TRUE(esperar_recebidos(enviados));
  }
  fim = true;
  for (auto& t : pedidores) t.join();
  EXPECT_EQ(quadros_mistos, 0);
  const auto [recebidos, entregues, descartados, repetidos] = contagens(cano_->contadores());
  EXPECT_EQ(recebidos, enviados);
  EXPECT_LE(entregues - repetidos + descartados, recebidos);
  EXPECT_GE(entregues - repetidos + descartados + 1, recebidos);
}

}  // namespace
}  // namespace norva
