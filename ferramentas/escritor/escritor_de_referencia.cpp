// escritor_de_referencia: the desktop application's side of the camera's
// pipe, for trying the camera without the application, built on the
// producer library as an application would be. Sends frames at a chosen rate
// from the generated test card, a file or standard input to every camera
// reading the pipe, and prints frames sent per second.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "ferramentas/escritor/arquivo_de_quadros.h"
#include "ferramentas/escritor/cartela.h"
#include "ferramentas/escritor/opcoes.h"
#include "ferramentas/produtor/norva_escritor.h"
#include "fonte/src/plataforma/temporizador.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

constexpr int SAIDA_OK = 0;
constexpr int SAIDA_FALHA = 1;
constexpr int SAIDA_USO = 2;
constexpr std::chrono::seconds INTERVALO_DO_RELATORIO{1};

std::atomic<bool> g_parar{false};

BOOL WINAPI ao_ctrl_c(DWORD) {
  g_parar = true;
  return TRUE;
}

std::vector<std::string> argumentos_utf8() {
  int n = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < n; ++i) args.push_back(utf8_de_utf16(std::wstring_view(argv[i])));
  if (argv != nullptr) LocalFree(argv);
  return args;
}

// How often the writer looks again while it waits for cameras.
constexpr std::chrono::milliseconds ESPERA_POR_CAMERA{20};

std::uint32_t cameras_lendo(norva_escritor escritor) {
  norva_escritor_estatisticas e{};
  return norva_escritor_estatisticas_de(escritor, &e) == NORVA_ESCRITOR_OK ? e.clientes_conectados : 0;
}

int executar(const OpcoesDoEscritor& opcoes) {
  std::optional<ArquivoDeQuadros> arquivo;
  if (opcoes.arquivo) {
    const bool entrada_padrao = *opcoes.arquivo == "-";
    if (entrada_padrao) _setmode(_fileno(stdin), _O_BINARY);
    auto aberto = entrada_padrao ? ArquivoDeQuadros::de_fluxo(std::cin) : ArquivoDeQuadros::abrir(*opcoes.arquivo);
    if (!aberto) {
      std::fprintf(stderr, "error: %s\n", aberto.error().c_str());
      return SAIDA_FALHA;
    }
    arquivo = std::move(*aberto);
  }
  const std::string nome_amigavel = opcoes.nome_amigavel.value_or("");
  norva_escritor escritor = 0;
  if (norva_escritor_abrir(nome_amigavel.c_str(), &escritor) != NORVA_ESCRITOR_OK) {
    std::fprintf(stderr, "error: %s\n", norva_escritor_ultima_mensagem());
    return SAIDA_FALHA;
  }
  SetConsoleCtrlHandler(ao_ctrl_c, TRUE);

  const auto periodo = std::chrono::nanoseconds(std::chrono::seconds{1}) / opcoes.quadros_por_segundo;
  DadosDoQuadro quadro = novo_quadro();
  const std::span<std::uint8_t, TAMANHO_DO_QUADRO> bytes(quadro.get(), TAMANHO_DO_QUADRO);
  std::uint64_t enviados = 0;
  int saida = SAIDA_OK;
  std::printf("pipe %s: waiting for %u camera(s) (Ctrl+C ends)\n", nome_do_cano(opcoes.nome_amigavel).c_str(),
              opcoes.cameras);
  std::fflush(stdout);
  std::uint32_t minimo_de_cameras = opcoes.cameras;
  while (!g_parar && (!opcoes.limite || enviados < *opcoes.limite)) {
    if (cameras_lendo(escritor) < minimo_de_cameras) {
      Sleep(static_cast<DWORD>(ESPERA_POR_CAMERA.count()));
      continue;
    }
    // Once started, one camera is enough to go on.
    minimo_de_cameras = 1;
    std::printf("camera connected\n");
    std::fflush(stdout);
    auto proximo = std::chrono::steady_clock::now();
    auto relatorio = proximo + INTERVALO_DO_RELATORIO;
    std::uint64_t neste_segundo = 0;
    while (!g_parar && (!opcoes.limite || enviados < *opcoes.limite)) {
      if (arquivo) {
        if (auto lido = arquivo->proximo(bytes); !lido) {
          if (!arquivo->acabou()) {
            std::fprintf(stderr, "error: %s\n", lido.error().c_str());
            saida = SAIDA_FALHA;
          }
          g_parar = true;
          break;
        }
      } else {
        Cartela::desenhar(enviados, bytes);
      }
      const auto ts = static_cast<std::uint64_t>(
          std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
              .count());
      if (norva_escritor_enviar(escritor, NORVA_ESCRITOR_NV12, bytes.data(), bytes.size(), LARGURA, ALTURA, 0, ts) !=
          NORVA_ESCRITOR_OK) {
        std::fprintf(stderr, "error: %s\n", norva_escritor_ultima_mensagem());
        saida = SAIDA_FALHA;
        g_parar = true;
        break;
      }
      ++enviados;
      ++neste_segundo;
      const auto agora = std::chrono::steady_clock::now();
      if (agora >= relatorio) {
        std::printf("%llu frames/s (%llu sent)\n", static_cast<unsigned long long>(neste_segundo),
                    static_cast<unsigned long long>(enviados));
        std::fflush(stdout);
        neste_segundo = 0;
        relatorio += INTERVALO_DO_RELATORIO;
      }
      proximo += periodo;
      // Fell behind by more than a frame: start the schedule again from now.
      if (agora > proximo + periodo) proximo = agora;
      // The default timer tick is far too coarse for 30 fps.
      plataforma::dormir(proximo - std::chrono::steady_clock::now());
      if (cameras_lendo(escritor) == 0) {
        std::printf("camera gone; waiting for it to come back\n");
        std::fflush(stdout);
        break;
      }
    }
  }
  norva_escritor_estatisticas estatisticas{};
  norva_escritor_estatisticas_de(escritor, &estatisticas);
  // Closing lets every camera take the last frame first.
  norva_escritor_fechar(escritor);
  std::printf("%llu frames sent; %llu records written to cameras, %llu skipped by slow cameras\n",
              static_cast<unsigned long long>(enviados), static_cast<unsigned long long>(estatisticas.quadros_enviados),
              static_cast<unsigned long long>(estatisticas.quadros_pulados));
  return saida;
}

}  // namespace
}  // namespace norva::ferramentas

int main() {
  using namespace norva::ferramentas;
  const auto opcoes = ler_opcoes(argumentos_utf8());
  if (!opcoes) {
    std::fprintf(stderr, "error: %s\n(escritor_de_referencia --help lists the options)\n", opcoes.error().c_str());
    return SAIDA_USO;
  }
  if (opcoes->ajuda) {
    std::fputs(texto_de_ajuda().c_str(), stdout);
    return SAIDA_OK;
  }
  return executar(*opcoes);
}
