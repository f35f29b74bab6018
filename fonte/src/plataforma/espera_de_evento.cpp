#include "fonte/src/plataforma/espera_de_evento.h"

#include <utility>

#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/objeto_com.h"

namespace norva::plataforma {

using Microsoft::WRL::ComPtr;

// What the queue calls back instead of the consumer's callback.
class RepasseDeEvento final : public ObjetoCom<RepasseDeEvento, IMFAsyncCallback> {
 public:
  RepasseDeEvento(IMFAsyncCallback* destino, IUnknown* estado) : destino_(destino), estado_(estado) {}

  void* consultar_interface(REFIID riid) noexcept {
    return riid == __uuidof(IMFAsyncCallback) ? static_cast<IMFAsyncCallback*>(this) : nullptr;
  }

  HRESULT STDMETHODCALLTYPE GetParameters(DWORD* pdwFlags, DWORD* pdwQueue) noexcept override {
    ComPtr<IMFAsyncCallback> destino;
    {
      std::scoped_lock trava(mutex_);
      destino = destino_;
    }
    return destino ? destino->GetParameters(pdwFlags, pdwQueue) : E_NOTIMPL;
  }

  // The queue's answer, forwarded once.
  HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult* resultado) noexcept override {
    ComPtr<IMFAsyncCallback> destino;
    ComPtr<IUnknown> estado;
    esvaziar(destino, estado);
    return destino ? destino->Invoke(resultado) : S_OK;
  }

  // The answer of a shut-down queue, unless the queue's answer came first.
  void cancelar() noexcept {
    ComPtr<IMFAsyncCallback> destino;
    ComPtr<IUnknown> estado;
    esvaziar(destino, estado);
    if (!destino) return;
    ComPtr<IMFAsyncResult> resultado;
    if (FAILED(MFCreateAsyncResult(nullptr, destino.Get(), estado.Get(), &resultado))) return;
    resultado->SetStatus(MF_E_SHUTDOWN);
    MFInvokeCallback(resultado.Get());
  }

 private:
  friend class ObjetoCom<RepasseDeEvento, IMFAsyncCallback>;
  ~RepasseDeEvento() override = default;

  void esvaziar(ComPtr<IMFAsyncCallback>& destino, ComPtr<IUnknown>& estado) noexcept {
    std::scoped_lock trava(mutex_);
    destino.Swap(destino_);
    estado.Swap(estado_);
  }

  std::mutex mutex_;  // guards both: emptied by the first answer
  ComPtr<IMFAsyncCallback> destino_;
  ComPtr<IUnknown> estado_;
};

EsperaDeEvento::EsperaDeEvento() noexcept = default;
EsperaDeEvento::~EsperaDeEvento() = default;

HRESULT EsperaDeEvento::comecar(IMFMediaEventQueue* fila, IMFAsyncCallback* callback,
                                IUnknown* estado) noexcept {
  ComPtr<RepasseDeEvento> repasse = adotar(new RepasseDeEvento(callback, estado));
  ComPtr<RepasseDeEvento> anterior;
  std::scoped_lock trava(mutex_);
  const HRESULT hr = fila->BeginGetEvent(repasse.Get(), estado);
  if (SUCCEEDED(hr)) {
    anterior.Swap(pendente_);
    pendente_ = repasse;
  }
  return hr;  // the previous relay, answered already, goes after the unlock
}

HRESULT EsperaDeEvento::encerrar(IMFMediaEventQueue* fila) noexcept {
  ComPtr<RepasseDeEvento> pendente;
  HRESULT hr = S_OK;
  {
    std::scoped_lock trava(mutex_);
    hr = fila->Shutdown();
    pendente.Swap(pendente_);
  }
  if (pendente) pendente->cancelar();
  return hr;
}

}  // namespace norva::plataforma
