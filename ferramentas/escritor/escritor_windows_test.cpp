// The reference writer as a program, under Wine: a camera reading its pipe
// sees the test card's frame numbers rise, and a second camera that comes
// after the first one closed is taken back and sees them go on rising.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ferramentas/escritor/cartao_de_teste.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/registro/utf8.h"

#ifndef NORVA_ESCRITOR_EXE
#error "NORVA_ESCRITOR_EXE: path of escritor_de_referencia.exe"
#endif

namespace norva::ferramentas {
namespace {

using namespace std::chrono_literals;

// The writer process, ended with the test.
class Processo {
 public:
  explicit Processo(std::wstring linha) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ok_ = CreateProcessW(nullptr, linha.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi_);
  }
  ~Processo() {
    if (!ok_) return;
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, INFINITE);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool iniciado() const { return ok_; }

 private:
  PROCESS_INFORMATION pi_{};
  bool ok_ = false;
};

// Takes frames for `duracao`; returns the numbers drawn in the pipe frames.
std::vector<std::uint64_t> numeros_lidos(Cano& cano, std::chrono::milliseconds duracao) {
  std::vector<std::uint64_t> numeros;
  const auto fim = std::chrono::steady_clock::now() + duracao;
  while (std::chrono::steady_clock::now() < fim) {
    const QuadroEntregue q = cano.obter_quadro(ESPERA_MAXIMA_DO_CANO);
    if (q.origem != Origem::Cano) continue;
    numeros.push_back(
        CartaoDeTeste::ler_numero(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q.dados.get(), TAMANHO_DO_QUADRO)));
  }
  return numeros;
}

TEST(EscritorDeReferencia, CameraLeOCartaoEVoltaAposReconectar) {
  const std::string nome = teste::nome_unico("C escritor");
  std::wstring exe = largo_de_utf8(NORVA_ESCRITOR_EXE);
  // The build path is a Unix path; Wine sees it on drive Z:.
  if (!exe.empty() && exe.front() == L'/') exe = L"Z:" + exe;
  Processo escritor(L"\"" + exe + L"\" --fps 60 --name \"" + largo_de_utf8(nome) + L"\"");
  ASSERT_TRUE(escritor.iniciado()) << GetLastError();

  std::uint64_t ultimo = 0;
  for (int camera = 0; camera < 2; ++camera) {
    auto cano = Cano::novo();
    cano->iniciar(nome);
    // The writer's process may take a while to start and create its pipe on
    // a loaded machine; the frames are counted from the connection on.
    ASSERT_TRUE(teste::esperar_ate([&] { return cano->contadores().conectado; }, 60s)) << "camera " << camera;
    const auto numeros = numeros_lidos(*cano, 1500ms);
    cano->encerrar();
    // Repeats (no new frame within the wait) show the same number again.
    for (std::size_t i = 1; i < numeros.size(); ++i) {
      EXPECT_GE(numeros[i], numeros[i - 1]) << "camera " << camera << " frame " << i;
    }
    ASSERT_FALSE(numeros.empty()) << "camera " << camera;
    EXPECT_GE(numeros.back() - numeros.front(), 5u) << "camera " << camera;
    if (camera == 1) {
      // A camera that connects is sent the newest frame at once, which may
      // still be the one the first camera saw last: equal is going on.
      EXPECT_GE(numeros.front(), ultimo) << "the card started again instead of going on";
    }
    ultimo = numeros.back();
  }
  EXPECT_TRUE(teste::esperar_ate([] { return leitores_vivos() == 0; })) << "a pipe reader outlives its camera";
}

}  // namespace
}  // namespace norva::ferramentas
