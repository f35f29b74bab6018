// A small lock-free reserve of frame buffers, so that the frame path reuses
// memory that is already mapped instead of allocating 3 MB per frame. The
// reserve only changes where memory comes from: every buffer still has one
// owner at a time, and a buffer beyond the reserve's capacity is freed.
#include <array>
#include <atomic>
#include <memory>

#include "fonte/src/quadros/geometria.h"

namespace norva {
namespace {

// Enough for the frames in flight of a few cameras in one process (the slot,
// the copy kept for repeats, the reader's spare, a few requests): 8 x 3 MB.
constexpr std::size_t QUADROS_GUARDADOS = 8;

std::array<std::atomic<std::uint8_t*>, QUADROS_GUARDADOS>& reserva() {
  // Never destroyed: buffers may come back from detached threads at exit.
  static auto* r = new std::array<std::atomic<std::uint8_t*>, QUADROS_GUARDADOS>{};
  return *r;
}

}  // namespace

DadosDoQuadro novo_quadro() {
  for (auto& vaga : reserva()) {
    if (vaga.load(std::memory_order_relaxed) == nullptr) continue;
    if (std::uint8_t* dados = vaga.exchange(nullptr, std::memory_order_acquire)) return DadosDoQuadro(dados);
  }
  return DadosDoQuadro(std::make_unique_for_overwrite<std::uint8_t[]>(TAMANHO_DO_QUADRO).release());
}

void DevolverQuadro::operator()(std::uint8_t* dados) const noexcept {
  if (dados == nullptr) return;
  for (auto& vaga : reserva()) {
    std::uint8_t* vazia = nullptr;
    if (vaga.compare_exchange_strong(vazia, dados, std::memory_order_release, std::memory_order_relaxed)) return;
  }
  delete[] dados;
}

}  // namespace norva
