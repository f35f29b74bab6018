// Test support: N cameras (the camera's own pipe client) read one pipe at
// once and each must receive every frame of a raw NV12 file, in order.
// Repeats (no new frame within a request's wait) are folded; a frame that is
// not in the file, a missing or a reordered one fails.
//   leitor_de_cameras --name NAME --expected FILE.nv12 --cameras N
// Exit status 0 when every camera got every frame, 1 otherwise, 2 on usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "fonte/src/quadros/cano.h"

namespace {

using namespace std::chrono_literals;
using norva::TAMANHO_DO_QUADRO;

constexpr auto PRAZO = 60s;             // the whole reading
constexpr auto DEPOIS_DA_QUEDA = 2s;    // reading on once the writer has gone

std::uint64_t resumo(const std::uint8_t* dados) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < TAMANHO_DO_QUADRO; i += 8) {
    std::uint64_t palavra;
    std::memcpy(&palavra, dados + i, 8);
    h = (h ^ palavra) * 0x100000001b3ull;
  }
  return h;
}

// The indices of the frames one camera received, repeats folded; -1 for a
// frame not in the file.
std::vector<long> ler(const std::string& nome, const std::unordered_map<std::uint64_t, long>& indices, long ultimo) {
  auto cano = norva::Cano::novo();
  cano->iniciar(nome);
  std::vector<long> vistos;
  bool conectou = false;
  auto queda = std::chrono::steady_clock::time_point::max();
  const auto fim = std::chrono::steady_clock::now() + PRAZO;
  while (std::chrono::steady_clock::now() < std::min(fim, queda) && (vistos.empty() || vistos.back() != ultimo)) {
    const norva::QuadroEntregue q = cano->obter_quadro(norva::ESPERA_MAXIMA_DO_CANO);
    const bool conectado = cano->contadores().conectado;
    if (conectou && !conectado && queda == std::chrono::steady_clock::time_point::max()) {
      queda = std::chrono::steady_clock::now() + DEPOIS_DA_QUEDA;
    }
    conectou = conectou || conectado;
    if (q.origem != norva::Origem::Cano) continue;
    const auto i = indices.find(resumo(q.dados.get()));
    const long indice = i == indices.end() ? -1 : i->second;
    if (vistos.empty() || vistos.back() != indice) vistos.push_back(indice);
  }
  const auto c = cano->contadores();
  std::printf("camera: %llu records received, %llu replaced before taken\n",
              static_cast<unsigned long long>(c.recebidos), static_cast<unsigned long long>(c.descartados));
  cano->encerrar();
  return vistos;
}

}  // namespace

int main(int argc, char** argv) {
  std::string nome, esperado;
  int cameras = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--name") nome = argv[i + 1];
    else if (a == "--expected") esperado = argv[i + 1];
    else if (a == "--cameras") cameras = std::atoi(argv[i + 1]);
  }
  if (nome.empty() || esperado.empty() || cameras < 1) {
    std::fprintf(stderr, "usage: leitor_de_cameras --name NAME --expected FILE.nv12 --cameras N\n");
    return 2;
  }
  std::ifstream arquivo(esperado, std::ios::binary);
  std::vector<std::uint8_t> quadro(TAMANHO_DO_QUADRO);
  std::unordered_map<std::uint64_t, long> indices;
  long quadros = 0;
  while (arquivo.read(reinterpret_cast<char*>(quadro.data()), static_cast<std::streamsize>(quadro.size()))) {
    if (!indices.emplace(resumo(quadro.data()), quadros++).second) {
      std::fprintf(stderr, "error: frame %ld of %s repeats an earlier one\n", quadros - 1, esperado.c_str());
      return 2;
    }
  }
  if (quadros == 0) {
    std::fprintf(stderr, "error: no whole NV12 frame in %s\n", esperado.c_str());
    return 2;
  }
  std::vector<std::vector<long>> vistos(static_cast<std::size_t>(cameras));
  std::vector<std::thread> leitores;
  for (auto& v : vistos) leitores.emplace_back([&, destino = &v] { *destino = ler(nome, indices, quadros - 1); });
  for (auto& t : leitores) t.join();
  int saida = 0;
  for (std::size_t c = 0; c < vistos.size(); ++c) {
    bool em_ordem = vistos[c].size() == static_cast<std::size_t>(quadros);
    for (std::size_t i = 0; em_ordem && i < vistos[c].size(); ++i) em_ordem = vistos[c][i] == static_cast<long>(i);
    std::printf("camera %zu: %zu distinct frames of %ld, %s:", c, vistos[c].size(), quadros,
                em_ordem ? "every one in order" : "NOT every frame in order");
    for (const long v : vistos[c]) std::printf(" %ld", v);
    std::printf("\n");
    saida = em_ordem ? saida : 1;
  }
  return saida;
}
