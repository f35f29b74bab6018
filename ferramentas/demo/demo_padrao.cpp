// The camera's bench pattern as a person sees it: draws a run of pattern
// frames, prints how long drawing took, and saves a few as PNG files.
//   demo_padrao [output folder]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "ferramentas/comum/imagem_nv12.h"
#include "fonte/src/quadros/padrao_de_bancada.h"

namespace {

constexpr std::uint64_t QUADROS = 300;  // ten seconds of pattern at 30 fps
constexpr std::uint64_t SALVOS[] = {0, 120, 239};

}  // namespace

int main(int argc, char** argv) {
  using namespace norva;
  const std::filesystem::path pasta = argc > 1 ? argv[1] : "demo";
  std::error_code erro;
  std::filesystem::create_directories(pasta, erro);
  if (erro) {
    std::fprintf(stderr, "erro: cannot create %s: %s\n", pasta.string().c_str(), erro.message().c_str());
    return 1;
  }

  std::vector<double> tempos_ms;
  tempos_ms.reserve(QUADROS);
  for (std::uint64_t n = 0; n < QUADROS; ++n) {
    const auto inicio = Relogio::now();
    DadosDoQuadro quadro = PadraoDeBancada::desenhar(n);
    tempos_ms.push_back(std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count());
    if (std::find(std::begin(SALVOS), std::end(SALVOS), n) != std::end(SALVOS)) {
      const auto arquivo = pasta / ("padrao_" + std::to_string(n) + ".png");
      if (!ferramentas::gravar_png(arquivo, std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(quadro.get(), TAMANHO_DO_QUADRO))) {
        std::fprintf(stderr, "erro: cannot write %s\n", arquivo.string().c_str());
        return 1;
      }
      std::printf("saved %s\n", arquivo.string().c_str());
    }
  }
  std::sort(tempos_ms.begin(), tempos_ms.end());
  std::printf("drew %llu bench-pattern frames (1920x1080 NV12, fresh buffer each): median %.3f ms, p99 %.3f ms, max %.3f ms (one frame period is 33.333 ms)\n",
              static_cast<unsigned long long>(QUADROS), tempos_ms[tempos_ms.size() / 2],
              tempos_ms[tempos_ms.size() * 99 / 100], tempos_ms.back());
  return 0;
}
