// EstoqueDeBuffers: a few frame-sized memory buffers kept for reuse, because
// a fresh 3,110,400-byte platform buffer costs far more than the copy into it
// (every page faults in). Ownership does not change: each sample still holds
// its buffer, and a kept buffer is handed out again only when the stock's own
// reference is the last one, that is, after the consumer released the sample
// that carried it. Lock-free (atomic slots), so it adds no mutex.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

#include <wrl/client.h>

#include "fonte/src/plataforma/falha.h"

namespace norva {

class EstoqueDeBuffers {
 public:
  static constexpr std::size_t CAPACIDADE = 4;

  EstoqueDeBuffers() = default;
  EstoqueDeBuffers(const EstoqueDeBuffers&) = delete;
  EstoqueDeBuffers& operator=(const EstoqueDeBuffers&) = delete;
  ~EstoqueDeBuffers();

  // A buffer of `tamanho` bytes nobody else holds: a kept one, or a new one.
  plataforma::Resultado<Microsoft::WRL::ComPtr<IMFMediaBuffer>> obter(DWORD tamanho) noexcept;

  // Keeps a reference to `buffer` for later reuse when a slot is free.
  void guardar(IMFMediaBuffer* buffer) noexcept;

 private:
  std::array<std::atomic<IMFMediaBuffer*>, CAPACIDADE> vagas_{};  // each holds one reference
};

}  // namespace norva
