// Test support: N cameras (the camera's own pipe client) read one pipe at
// once and each must receive every frame of a raw NV12 file, in order.
// Repeats (no new frame within a request's wait) are passed over; any other
// frame that is not the next one fails. No two frames in a row of the file
// may be equal (ffmpeg's testsrc2 draws a running clock).
//   leitor_de_cameras NAME FILE.nv12 CAMERAS
// Exit status 0 when every camera got every frame, 1 otherwise, 2 on usage.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "fonte/src/quadros/cano.h"

namespace {

using namespace std::chrono_literals;
using norva::TAMANHO_DO_QUADRO;

constexpr auto PRAZO = 60s;             // the whole reading
constexpr auto DEPOIS_DA_QUEDA = 2s;    // reading on once the writer has gone

bool igual(const std::uint8_t* quadro, const std::string& quadros, std::size_t i) {
  return std::memcmp(quadro, quadros.data() + i * TAMANHO_DO_QUADRO, TAMANHO_DO_QUADRO) == 0;
}

// How many of the frames one camera received in order, up to the first
// frame out of place.
std::size_t ler(const std::string& nome, const std::string& esperados) {
  auto cano = norva::Cano::novo();
  cano->iniciar(nome);
  const std::size_t total = esperados.size() / TAMANHO_DO_QUADRO;
  std::size_t recebidos = 0;
  bool conectou = false;
  auto fim = std::chrono::steady_clock::now() + PRAZO;
  while (recebidos < total && std::chrono::steady_clock::now() < fim) {
    const norva::QuadroEntregue q = cano->obter_quadro(norva::ESPERA_MAXIMA_DO_CANO);
    const bool conectado = cano->contadores().conectado;
    if (conectou && !conectado) fim = std::min(fim, std::chrono::steady_clock::now() + DEPOIS_DA_QUEDA);
    conectou = conectou || conectado;
    if (q.origem != norva::Origem::Cano) continue;
    if (igual(q.dados.get(), esperados, recebidos)) {
      ++recebidos;
    } else if (recebidos == 0 || !igual(q.dados.get(), esperados, recebidos - 1)) {
      break;
    }
  }
  cano->encerrar();
  return recebidos;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string nome = argc == 4 ? argv[1] : "";
  const int cameras = argc == 4 ? std::atoi(argv[3]) : 0;
  std::ifstream entrada(argc == 4 ? argv[2] : "", std::ios::binary);
  const std::string esperados{std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
  const std::size_t total = esperados.size() / TAMANHO_DO_QUADRO;
  if (nome.empty() || cameras < 1 || total == 0) {
    std::fprintf(stderr, "usage: leitor_de_cameras NAME FILE.nv12 CAMERAS\n");
    return 2;
  }
  std::vector<std::size_t> recebidos(static_cast<std::size_t>(cameras));
  std::vector<std::thread> leitores;
  for (auto& r : recebidos) leitores.emplace_back([&, destino = &r] { *destino = ler(nome, esperados); });
  for (auto& t : leitores) t.join();
  int saida = 0;
  for (std::size_t c = 0; c < recebidos.size(); ++c) {
    std::printf("camera %zu: the first %zu of %zu frames in order\n", c, recebidos[c], total);
    if (recebidos[c] != total) saida = 1;
  }
  return saida;
}
