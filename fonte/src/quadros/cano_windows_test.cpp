// What only real named pipes show (under Wine in CI): the system's text for
// a failed open, a real connection and its drop, and stops while the reader is
// blocked in ReadFile, with no thread left behind. The client's
// logic itself is cano_test.cpp's. A writer in the test plays the desktop
// application, on a pipe of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"
#include "fonte/src/registro/texto_de_erro_windows.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
using ferramentas::ConexaoDoEscritor;
using ferramentas::ServidorDoCano;
using teste::CAIU;
using teste::CONECTADO;
using teste::esperar_ate;
using teste::threads_do_processo;

TEST(CanoNoWindows, AplicacaoAusenteQueChegaESai) {
  const std::string nome = teste::nome_unico("C cano");
  const teste::MarcaDoRegistro marca;
  const auto cano = Cano::novo();
  cano->iniciar(nome);
  std::this_thread::sleep_for(1300ms);  // three failed opens, one line with the system's text
  const std::string texto = mensagem_do_sistema(ERROR_FILE_NOT_FOUND);
  const std::string indisponivel = "cano indisponível (" + texto + " (os error 2)); entregando padrão de bancada";
  auto servidor = std::make_unique<ServidorDoCano>(nome_do_cano(nome));
  auto c = servidor->aceitar(5s);
  ASSERT_NE(c, nullptr) << "the camera did not connect";
  ASSERT_TRUE(esperar_ate([&] { return cano->contadores().conectado; }));
  // The application quits: every handle of its pipe closes.
  c.reset();
  servidor.reset();
  ASSERT_TRUE(esperar_ate([&] { return marca.contar(indisponivel) == 2; }));
  cano->encerrar();
  EXPECT_EQ(marca.novas(), (std::vector<std::string>{teste::CONFIGURADO, indisponivel, CONECTADO, CAIU, indisponivel}));
}

// Cameras opened and closed while their reader waits in ReadFile on a silent
// application: a stop cancels the read at once, no thread or handle is left,
// and a stop is not a lost connection.
TEST(CanoNoWindows, DuzentosCiclosNaoAcumulamThreadsNemHandles) {
  constexpr int CICLOS = 200;
  const std::string nome = teste::nome_unico("C cano");
  const teste::MarcaDoRegistro marca;
  const teste::MedidasDoProcesso antes = teste::medir_processo();
  {
    // One silent application that takes every new camera.
    ServidorDoCano servidor(nome_do_cano(nome));
    std::atomic<bool> fim{false};
    std::thread aplicacao([&] {
      std::unique_ptr<ConexaoDoEscritor> atual;
      while (!fim) {
        if (auto nova = servidor.aceitar(20ms)) atual = std::move(nova);
      }
    });
    for (int i = 0; i < CICLOS; ++i) {
      auto cano = Cano::novo();
      cano->iniciar(nome);
      ASSERT_TRUE(esperar_ate([&] { return cano->contadores().conectado; })) << "cycle " << i;
      if (i > 0) {
        cano->encerrar();
        continue;
      }
      std::this_thread::sleep_for(20ms);  // the reader is in ReadFile
      cano->encerrar();
      const auto inicio = Relogio::now();
      ASSERT_TRUE(esperar_ate([&] { return threads_do_processo() == antes.threads + 1; }, 2s));
      EXPECT_LT(Relogio::now() - inicio, 100ms);
    }
    fim = true;
    aplicacao.join();
  }
  EXPECT_TRUE(esperar_ate([&] { return threads_do_processo() == antes.threads; }, 2s))
      << threads_do_processo() << " threads, " << antes.threads << " before";
  // A few for the log file and the platform; a handle per cycle is 200.
  EXPECT_LE(teste::medir_processo().handles, antes.handles + 10);
  EXPECT_EQ(marca.contar(CAIU), 0u);
}

}  // namespace
}  // namespace norva
