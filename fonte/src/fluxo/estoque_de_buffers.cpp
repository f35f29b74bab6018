#include "fonte/src/fluxo/estoque_de_buffers.h"

#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/mf.h"

namespace norva {
namespace {

// The buffer's reference count, given that the caller holds one of them.
ULONG referencias(IMFMediaBuffer* buffer) noexcept {
  buffer->AddRef();
  return buffer->Release();
}

}  // namespace

EstoqueDeBuffers::~EstoqueDeBuffers() {
  for (auto& vaga : vagas_) {
    if (IMFMediaBuffer* buffer = vaga.exchange(nullptr)) buffer->Release();
  }
}

plataforma::Resultado<Microsoft::WRL::ComPtr<IMFMediaBuffer>> EstoqueDeBuffers::obter(
    DWORD tamanho) noexcept {
  constexpr ULONG SO_A_NOSSA = 1;
  for (auto& vaga : vagas_) {
    IMFMediaBuffer* buffer = vaga.exchange(nullptr);
    if (buffer == nullptr) continue;
    DWORD maximo = 0;
    if (referencias(buffer) == SO_A_NOSSA && SUCCEEDED(buffer->GetMaxLength(&maximo)) &&
        maximo >= tamanho) {
      return plataforma::adotar(buffer);
    }
    // Still in a consumer's sample: back to its slot, or dropped if taken.
    IMFMediaBuffer* vazio = nullptr;
    if (!vaga.compare_exchange_strong(vazio, buffer)) buffer->Release();
  }
  return plataforma::criar_buffer_de_memoria(tamanho);
}

void EstoqueDeBuffers::guardar(IMFMediaBuffer* buffer) noexcept {
  for (auto& vaga : vagas_) {
    IMFMediaBuffer* vazio = nullptr;
    buffer->AddRef();
    if (vaga.compare_exchange_strong(vazio, buffer)) return;
    buffer->Release();
  }
}

}  // namespace norva
