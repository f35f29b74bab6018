// The reference writer as a program, under Wine: a camera reading its pipe
// sees the test card's frame numbers rise, and a second camera that comes
// after the first one closed is taken back and sees them go on rising.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ferramentas/escritor/cartela.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/registro/teste/registro_de_apoio_windows.h"
#include "fonte/src/registro/utf8.h"

#ifndef NORVA_ESCRITOR_EXE
#error "NORVA_ESCRITOR_EXE: path of escritor_de_referencia.exe, as the test sees it"
#endif

namespace norva::ferramentas {
namespace {

using namespace std::chrono_literals;

void terminar(HANDLE processo) {
  TerminateProcess(processo, 0);
  CloseHandle(processo);
}

TEST(EscritorDeReferencia, CameraLeOCartaoEVoltaAposReconectar) {
  const std::string nome = teste::nome_unico("C escritor");
  // It runs until ended, with the test.
  const std::unique_ptr<void, decltype(&terminar)> escritor(
      teste::iniciar_processo(largo_de_utf8(NORVA_ESCRITOR_EXE), L"--fps 60 --name \"" + largo_de_utf8(nome) + L"\""),
      terminar);
  ASSERT_NE(escritor, nullptr) << GetLastError();

  std::vector<std::uint64_t> numeros;  // drawn in the pipe frames of both cameras, in order
  for (int camera = 0; camera < 2; ++camera) {
    auto cano = Cano::novo();
    cano->iniciar(nome);
    // The writer's process may take a while to start and create its pipe on
    // a loaded machine; the frames are counted from the connection on.
    ASSERT_TRUE(teste::esperar_ate([&] { return cano->contadores().conectado; }, 60s)) << "camera " << camera;
    const std::size_t antes = numeros.size();
    for (const auto fim_da_leitura = Relogio::now() + 1500ms; Relogio::now() < fim_da_leitura;) {
      const QuadroEntregue q = cano->obter_quadro(ESPERA_MAXIMA_DO_CANO);
      if (q.origem != Origem::Cano) continue;
      numeros.push_back(
          Cartela::ler_numero(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q.dados.get(), TAMANHO_DO_QUADRO)));
    }
    cano->encerrar();
    ASSERT_GT(numeros.size(), antes) << "camera " << camera;
    EXPECT_GE(numeros.back() - numeros[antes], 5u) << "camera " << camera;
  }
  // Repeats (no new frame within the wait) show the same number again, and a
  // camera that connects is sent the newest frame at once, which may still be
  // the one the first camera saw last; a smaller number means the card
  // started again instead of going on.
  EXPECT_TRUE(std::is_sorted(numeros.begin(), numeros.end())) << testing::PrintToString(numeros);
  EXPECT_TRUE(teste::esperar_ate([] { return leitores_vivos() == 0; })) << "a pipe reader outlives its camera";
}

}  // namespace
}  // namespace norva::ferramentas
