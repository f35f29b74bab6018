// The pipe client over real named pipes (under Wine in CI): a writer in the
// test plays the desktop application. Each test uses its own friendly name,
// so its own pipe, and finds its log lines by process id.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/quadros/apoio_de_teste.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using ferramentas::ConexaoDoEscritor;
using ferramentas::ServidorDoCano;
using teste::esperar_ate;
using teste::mesmos_bytes;
using teste::quadro_de_teste;
using teste::registro_completo;

const std::string CONECTADO = "cano conectado";
const std::string CAIU = "cano caiu; voltando a esperar";
const std::string CONFIGURADO = "cano desta câmera configurado (nome omitido)";
constexpr auto ESPERA_LONGA = 10s;
constexpr auto PRONTAMENTE = 100ms;

std::string nome_unico() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::string("C ") + info->test_suite_name() + "." + info->name() + " " +
         std::to_string(GetCurrentProcessId());
}

std::size_t threads_do_processo() {
  HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (foto == INVALID_HANDLE_VALUE) return 0;
  std::size_t n = 0;
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL ok = Thread32First(foto, &t); ok; ok = Thread32Next(foto, &t)) {
    n += t.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
  }
  CloseHandle(foto);
  return n;
}

DWORD handles_do_processo() {
  DWORD n = 0;
  GetProcessHandleCount(GetCurrentProcess(), &n);
  return n;
}

class CanoNoWindows : public testing::Test {
 protected:
  // The reader ends before the next test starts, so no late line of this
  // test's camera lands among the next one's.
  void TearDown() override {
    if (cano_) cano_->encerrar();
    EXPECT_TRUE(esperar_ate([&] { return threads_do_processo() <= threads_no_inicio_; }, 2s));
  }

  std::unique_ptr<ConexaoDoEscritor> conectar() {
    EXPECT_EQ(servidor_->preparar(), 0u);
    cano_->iniciar(nome_);
    auto conexao = servidor_->aceitar(5s);
    EXPECT_NE(conexao, nullptr) << "the camera did not connect";
    EXPECT_TRUE(esperar_ate([&] { return cano_->contadores().conectado; }));
    return conexao;
  }

  void enviar(ConexaoDoEscritor& c, std::uint32_t semente, std::uint64_t ts = 0) {
    ASSERT_TRUE(c.escrever(registro_completo(quadro_de_teste(semente), ts)));
  }

  bool esperar_recebidos(std::uint64_t n) {
    return esperar_ate([&] { return cano_->contadores().recebidos >= n; });
  }

  std::size_t threads_no_inicio_ = threads_do_processo();
  std::string nome_ = nome_unico();
  std::unique_ptr<ServidorDoCano> servidor_ = std::make_unique<ServidorDoCano>(nome_do_cano(nome_));
  std::shared_ptr<Cano> cano_ = Cano::novo();
  teste::MarcaDoRegistro marca_;
};

TEST_F(CanoNoWindows, QuadrosChegamByteAByte) {
  auto c = conectar();
  const std::uint64_t TS[] = {0, 18446744073709551615u};
  for (std::uint32_t i = 0; i < std::size(TS); ++i) {
    enviar(*c, i, TS[i]);
    ASSERT_TRUE(esperar_recebidos(i + 1));
    const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
    EXPECT_EQ(q.origem, Origem::Cano) << "frame " << i;
    EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(i))) << "frame " << i;
    EXPECT_EQ(cano_->contadores().ts_do_host, TS[i]);
  }
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO}));
}

TEST_F(CanoNoWindows, DezQuadrosEntreDoisPedidos) {
  auto c = conectar();
  enviar(*c, 100);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  const ContadoresDoCano antes = cano_->contadores();
  for (std::uint32_t i = 1; i <= 10; ++i) enviar(*c, 100 + i, i);
  ASSERT_TRUE(esperar_recebidos(antes.recebidos + 10));
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(110)));
  const ContadoresDoCano depois = cano_->contadores();
  EXPECT_EQ(depois.recebidos - antes.recebidos, 10u);
  EXPECT_EQ(depois.descartados - antes.descartados, 9u);
}

TEST_F(CanoNoWindows, EscritorCaladoEsperaERepete) {
  auto c = conectar();
  auto inicio = Relogio::now();
  EXPECT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Padrao);
  EXPECT_GE(Relogio::now() - inicio, ESPERA_MAXIMA_DO_CANO);
  enviar(*c, 7);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  for (std::uint64_t vez = 1; vez <= 2; ++vez) {
    inicio = Relogio::now();
    const QuadroEntregue q = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO);
    EXPECT_GE(Relogio::now() - inicio, ESPERA_MAXIMA_DO_CANO) << "repeat " << vez;
    EXPECT_TRUE(mesmos_bytes(q.dados, quadro_de_teste(7))) << "repeat " << vez;
    EXPECT_EQ(cano_->contadores().repetidos, vez);
    EXPECT_EQ(cano_->contadores().entregues, vez + 1);
  }
}

TEST_F(CanoNoWindows, EscritorFechaDuranteUmaEspera) {
  auto c = conectar();
  enviar(*c, 9);
  ASSERT_TRUE(esperar_recebidos(1));
  ASSERT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  auto pedido = std::async(std::launch::async, [&] { return cano_->obter_quadro(ESPERA_LONGA); });
  std::this_thread::sleep_for(200ms);  // the request is waiting
  const auto fechou = Relogio::now();
  c.reset();
  ASSERT_EQ(pedido.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(pedido.get().origem, Origem::Padrao);
  EXPECT_LT(Relogio::now() - fechou, 1s);
  EXPECT_EQ(marca_.contar(CAIU), 1u);
}

using teste::CabecalhoRuim;

class CanoNoWindowsCabecalhoRuim : public CanoNoWindows, public testing::WithParamInterface<CabecalhoRuim> {};

TEST_P(CanoNoWindowsCabecalhoRuim, RegistraFechaEReconecta) {
  auto c = conectar();
  // A listening instance for the camera's immediate reopen.
  ASSERT_EQ(servidor_->preparar(), 0u);
  ASSERT_TRUE(c->escrever(GetParam().cabecalho.codificar()));
  auto outra = servidor_->aceitar(5s);
  ASSERT_NE(outra, nullptr) << "the camera did not reconnect";
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CONECTADO) == 2; }));
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO, GetParam().linha, CAIU, CONECTADO}));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CanoNoWindowsCabecalhoRuim, testing::ValuesIn(teste::CABECALHOS_RUINS),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(CanoNoWindows, EscritasMiudasEDuasNumaSo) {
  // The header and the start of the payload one byte per write, the rest in
  // one write; then two whole records in a single write.
  constexpr std::size_t BYTES_UM_A_UM = 2048;
  auto c = conectar();
  const auto r1 = registro_completo(quadro_de_teste(1), 1);
  for (std::size_t i = 0; i < BYTES_UM_A_UM; ++i) ASSERT_TRUE(c->escrever(std::span(r1).subspan(i, 1)));
  ASSERT_TRUE(c->escrever(std::span(r1).subspan(BYTES_UM_A_UM)));
  ASSERT_TRUE(esperar_recebidos(1));
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(1)));

  auto dois = registro_completo(quadro_de_teste(2), 2);
  const auto r3 = registro_completo(quadro_de_teste(3), 3);
  dois.insert(dois.end(), r3.begin(), r3.end());
  ASSERT_TRUE(c->escrever(dois));
  ASSERT_TRUE(esperar_recebidos(3));
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(3)));
  EXPECT_EQ(cano_->contadores().descartados, 1u);
  EXPECT_EQ(cano_->contadores().ts_do_host, 3u);
}

// A desktop application that answers every connection with a 1280x720
// header: the camera backs off, so 10 s of it write at most 30 lines.
TEST_F(CanoNoWindows, ServidorQueRecusaTudoNaoInundaORegistro) {
  constexpr auto JANELA = 10s;
  constexpr std::size_t MAXIMO_DE_LINHAS = 30;
  std::atomic<bool> fim{false};
  std::atomic<int> ciclos{0};
  std::thread aplicacao([&] {
    std::unique_ptr<ConexaoDoEscritor> anterior;  // closed once the next one comes
    while (!fim) {
      auto c = servidor_->aceitar(20ms);
      if (!c) continue;
      ++ciclos;
      c->escrever(teste::CABECALHOS_RUINS[2].cabecalho.codificar());
      anterior = std::move(c);
    }
  });
  cano_->iniciar(nome_);
  std::this_thread::sleep_for(JANELA);
  const std::size_t linhas = marca_.novas().size();
  cano_->encerrar();
  fim = true;
  aplicacao.join();
  std::printf("%lld s of refusals: %zu lines written, %d cycles\n", static_cast<long long>(JANELA / 1s), linhas,
              ciclos.load());
  EXPECT_LE(linhas, MAXIMO_DE_LINHAS);
  EXPECT_GE(ciclos, 3);
}

TEST_F(CanoNoWindows, VinteETresBytesEFechaSoCai) {
  auto c = conectar();
  ASSERT_EQ(servidor_->preparar(), 0u);
  const auto r = registro_completo(quadro_de_teste(1), 0);
  ASSERT_TRUE(c->escrever(std::span(r).first(23)));
  c.reset();
  auto outra = servidor_->aceitar(5s);
  ASSERT_NE(outra, nullptr);
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar(CONECTADO) == 2; }));
  EXPECT_EQ(marca_.novas(), (std::vector<std::string>{CONFIGURADO, CONECTADO, CAIU, CONECTADO}));
  EXPECT_EQ(cano_->contadores().recebidos, 0u);
}

TEST_F(CanoNoWindows, TresSegundosSemAplicacaoUmaLinha) {
  servidor_.reset();
  cano_->iniciar(nome_);
  std::this_thread::sleep_for(3s);
  const auto linhas = marca_.novas();
  ASSERT_EQ(linhas.size(), 2u);
  EXPECT_EQ(linhas[0], CONFIGURADO);
  EXPECT_TRUE(linhas[1].starts_with("cano indisponível (")) << linhas[1];
  EXPECT_TRUE(linhas[1].ends_with(" (os error 2)); entregando padrão de bancada")) << linhas[1];
  EXPECT_EQ(cano_->obter_quadro(ESPERA_LONGA).origem, Origem::Padrao);
}

TEST_F(CanoNoWindows, AplicacaoSaiEVolta) {
  auto c = conectar();
  for (std::uint32_t i = 0; i < 3; ++i) enviar(*c, i);
  ASSERT_TRUE(esperar_recebidos(3));
  EXPECT_EQ(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).origem, Origem::Cano);
  // The application quits: every handle of its pipe closes.
  c.reset();
  servidor_.reset();
  ASSERT_TRUE(esperar_ate([&] { return marca_.contar("cano indisponível") == 1; }));
  std::this_thread::sleep_for(600ms);
  servidor_ = std::make_unique<ServidorDoCano>(nome_do_cano(nome_));
  c = servidor_->aceitar(5s);
  ASSERT_NE(c, nullptr) << "the camera did not come back";
  ASSERT_TRUE(esperar_ate([&] { return cano_->contadores().conectado; }));
  enviar(*c, 3);
  ASSERT_TRUE(esperar_recebidos(4));
  EXPECT_TRUE(mesmos_bytes(cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO).dados, quadro_de_teste(3)));
  const ContadoresDoCano k = cano_->contadores();
  EXPECT_EQ(k.recebidos, 4u);
  EXPECT_EQ(k.entregues, 2u);
  EXPECT_EQ(k.descartados, 2u);
  const auto linhas = marca_.novas();
  ASSERT_EQ(linhas.size(), 5u);
  EXPECT_EQ(linhas[1], CONECTADO);
  EXPECT_EQ(linhas[2], CAIU);
  EXPECT_TRUE(linhas[3].starts_with("cano indisponível (")) << linhas[3];
  EXPECT_EQ(linhas[4], CONECTADO);
}

TEST_F(CanoNoWindows, EncerrarComLeitorBloqueadoNumaLeitura) {
  const std::size_t antes = threads_do_processo();
  auto c = conectar();
  ASSERT_EQ(threads_do_processo(), antes + 1);
  std::this_thread::sleep_for(20ms);  // the reader is in ReadFile
  cano_->encerrar();
  const auto inicio = Relogio::now();
  ASSERT_TRUE(esperar_ate([&] { return threads_do_processo() == antes; }, 2s));
  EXPECT_LT(Relogio::now() - inicio, PRONTAMENTE);
  // The camera's handle is closed: writing finds nobody.
  EXPECT_TRUE(esperar_ate([&] { return !c->escrever(CabecalhoDoQuadro::para_quadro(0)); }, 1s));
  EXPECT_EQ(marca_.contar(CAIU), 0u);
}

TEST_F(CanoNoWindows, DuzentosCiclosNaoAcumulamThreadsNemHandles) {
  constexpr int CICLOS = 200;
  cano_.reset();
  servidor_.reset();
  const std::size_t threads_antes = threads_do_processo();
  const DWORD handles_antes = handles_do_processo();
  {
    // One silent application that takes every new camera.
    ServidorDoCano servidor(nome_do_cano(nome_));
    std::atomic<bool> fim{false};
    std::thread aplicacao([&] {
      std::unique_ptr<ConexaoDoEscritor> atual;
      while (!fim) {
        if (auto nova = servidor.aceitar(20ms)) atual = std::move(nova);
      }
    });
    for (int i = 0; i < CICLOS; ++i) {
      auto cano = Cano::novo();
      cano->iniciar(nome_);
      ASSERT_TRUE(esperar_ate([&] { return cano->contadores().conectado; })) << "cycle " << i;
      cano->encerrar();
    }
    fim = true;
    aplicacao.join();
  }
  EXPECT_TRUE(esperar_ate([&] { return threads_do_processo() == threads_antes; }, 2s))
      << threads_do_processo() << " threads, " << threads_antes << " before";
  EXPECT_TRUE(esperar_ate([&] { return handles_do_processo() == handles_antes; }, 2s))
      << handles_do_processo() << " handles, " << handles_antes << " before";
  EXPECT_EQ(marca_.contar(CONECTADO), static_cast<std::size_t>(CICLOS));
}

}  // namespace
}  // namespace norva
