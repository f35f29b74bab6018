// Fluxo: the media source's one stream (IMFMediaStream2). Each RequestSample
// locks a system-memory buffer, has Cano write one frame straight into it,
// paces bench-pattern frames, wraps the buffer in a new sample stamped with
// the system time and queues it as an MEMediaSample event on the stream's
// own queue. All work runs on the
// caller's thread; the stream makes no thread.
//
// Locks: `estado_->mutex` (shared with the source) and `mutex_do_ritmo_`, each
// held only for the checks and updates they guard, never both at once, never
// around the queue, Cano, the log or a sleep (SetStreamState logs while
// holding `estado_->mutex`, the one exception).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ratio>

#include <wrl/client.h>

#include "fonte/src/fluxo/estado_do_fluxo.h"
#include "fonte/src/fluxo/estoque_de_buffers.h"
#include "fonte/src/plataforma/espera_de_evento.h"
#include "fonte/src/plataforma/falha.h"
#include "fonte/src/plataforma/objeto_com.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/ritmo/ritmo.h"

namespace norva {

// Duration stamped on every sample: one frame period in units of 100 ns,
// truncated.
inline constexpr LONGLONG DURACAO_DA_AMOSTRA =
    std::chrono::duration_cast<std::chrono::duration<LONGLONG, std::ratio<1, 10'000'000>>>(PERIODO_DO_QUADRO).count();

class Fluxo final : public plataforma::ObjetoCom<Fluxo, IMFMediaStream2> {
 public:
  // A new stream with one reference (its creator's).
  static Microsoft::WRL::ComPtr<Fluxo> criar(std::shared_ptr<EstadoDoFluxo> estado,
                                             Microsoft::WRL::ComPtr<IMFMediaEventQueue> fila,
                                             Microsoft::WRL::ComPtr<IMFStreamDescriptor> descritor,
                                             std::shared_ptr<Cano> cano);

  void* consultar_interface(REFIID riid) noexcept;

  // Shuts the stream's event queue down, for the source's Shutdown: queued
  // events go, a pending BeginGetEvent lets go of its callback, and every
  // event method answers MF_E_SHUTDOWN from then on.
  HRESULT encerrar_fila() noexcept;

  // IMFMediaEventGenerator: the stream's queue; after Shutdown its answer.
  HRESULT STDMETHODCALLTYPE GetEvent(DWORD dwFlags, IMFMediaEvent** ppEvent) noexcept override;
  HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* pCallback,
                                          IUnknown* punkState) noexcept override;
  HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* pResult,
                                        IMFMediaEvent** ppEvent) noexcept override;
  HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType met, REFGUID guidExtendedType,
                                       HRESULT hrStatus,
                                       const PROPVARIANT* pvValue) noexcept override;

  // IMFMediaStream
  HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** ppMediaSource) noexcept override;
  HRESULT STDMETHODCALLTYPE GetStreamDescriptor(
      IMFStreamDescriptor** ppStreamDescriptor) noexcept override;
  HRESULT STDMETHODCALLTYPE RequestSample(IUnknown* pToken) noexcept override;

  // IMFMediaStream2
  HRESULT STDMETHODCALLTYPE SetStreamState(MF_STREAM_STATE value) noexcept override;
  HRESULT STDMETHODCALLTYPE GetStreamState(MF_STREAM_STATE* value) noexcept override;

 private:
  Fluxo(std::shared_ptr<EstadoDoFluxo> estado, Microsoft::WRL::ComPtr<IMFMediaEventQueue> fila,
        Microsoft::WRL::ComPtr<IMFStreamDescriptor> descritor, std::shared_ptr<Cano> cano);
  ~Fluxo() override = default;
  friend class plataforma::ObjetoCom<Fluxo, IMFMediaStream2>;

  plataforma::Resultado<void> verificar_entrega() noexcept;
  void aguardar_a_vez(Origem origem) noexcept;
  plataforma::Resultado<Origem> preencher(IMFMediaBuffer* buffer) noexcept;
  plataforma::Resultado<void> entregar_amostra(IMFMediaBuffer* buffer, IUnknown* token) noexcept;

  const std::shared_ptr<EstadoDoFluxo> estado_;
  const Microsoft::WRL::ComPtr<IMFMediaEventQueue> fila_;
  plataforma::EsperaDeEvento espera_;  // the consumer's pending BeginGetEvent on fila_
  const Microsoft::WRL::ComPtr<IMFStreamDescriptor> descritor_;
  const std::shared_ptr<Cano> cano_;
  std::mutex mutex_do_ritmo_;  // guards ritmo_; never held while sleeping
  Ritmo ritmo_;
  std::atomic<std::uint64_t> amostras_entregues_{0};
  EstoqueDeBuffers estoque_;  // frame buffers kept for reuse
};

}  // namespace norva
