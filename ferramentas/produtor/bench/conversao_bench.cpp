// BGRA to NV12, as a desktop application's 32-bit frames take it, against
// memcpy of one NV12 frame; the scalar reference for scale. Prints a table
// row "figure | value | goal | met" for the measurements' summary.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#ifdef NORVA_COM_LIBYUV
#include <libyuv/convert_from_argb.h>
#endif

#include "ferramentas/produtor/conversao.h"
#include "ferramentas/produtor/imagem.h"
#include "ferramentas/sonda/estatisticas.h"

namespace {

using namespace norva;

constexpr int REPETICOES = 60;
constexpr double META_EM_MEMCPY = 3.0;

template <typename F>
double mediana_us(F&& f) {
  std::vector<double> tempos;
  for (int i = 0; i < REPETICOES; ++i) {
    const auto inicio = Relogio::now();
    f();
    tempos.push_back(std::chrono::duration<double, std::micro>(Relogio::now() - inicio).count());
  }
  return ferramentas::percentil(std::move(tempos), 50);
}

}  // namespace

int main() {
  std::vector<std::uint8_t> bgra(std::size_t{LARGURA} * ALTURA * 4);
  for (std::size_t i = 0; i < bgra.size(); ++i) bgra[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  std::vector<std::uint8_t> nv12(TAMANHO_DO_QUADRO), copia(TAMANHO_DO_QUADRO, 1);
  const std::span<std::uint8_t, TAMANHO_DO_QUADRO> destino(nv12.data(), TAMANHO_DO_QUADRO);
  const produtor::Imagem imagem{NORVA_ESCRITOR_BGRA, bgra.data(), bgra.size(), LARGURA, ALTURA, 0};

  const double memcpy_us = mediana_us([&] {
    std::memcpy(nv12.data(), copia.data(), TAMANHO_DO_QUADRO);
    copia[nv12[1000]] ^= 1;  // keeps the copy from being elided
  });
  const double rapido_us = mediana_us([&] { produtor::converter_para_nv12(imagem, LARGURA * 4, destino); });
  const double escalar_us =
      mediana_us([&] { produtor::converter_referencia(NORVA_ESCRITOR_BGRA, bgra.data(), LARGURA * 4, destino); });

  std::printf("memcpy of one NV12 frame (3110400 bytes): %.0f us (median of %d)\n", memcpy_us, REPETICOES);
  std::printf("BGRA to NV12, scalar reference: %.0f us (%.1f memcpy)\n", escalar_us, escalar_us / memcpy_us);
  std::printf("BGRA to NV12, library (SIMD): %.0f us (%.1f memcpy)\n", rapido_us, rapido_us / memcpy_us);
#ifdef NORVA_COM_LIBYUV
  // libyuv's "ARGB" is BGRA in memory: the same input, for scale.
  const double libyuv_us = mediana_us([&] {
    libyuv::ARGBToNV12(bgra.data(), LARGURA * 4, nv12.data(), LARGURA, nv12.data() + LARGURA * ALTURA, LARGURA,
                       LARGURA, ALTURA);
  });
  std::printf("BGRA to NV12, libyuv: %.0f us (%.1f memcpy)\n", libyuv_us, libyuv_us / memcpy_us);
#endif
  std::printf("BGRA->NV12 conversion per frame | %.0f us = %.1f memcpy | <= 3 memcpy | %s\n", rapido_us,
              rapido_us / memcpy_us, rapido_us / memcpy_us <= META_EM_MEMCPY ? "yes" : "no");
  return 0;
}
