// EsperaDeEvento: the consumer's BeginGetEvent pending on an event queue,
// answered exactly once even when the queue is shut down under it.
//
// Some platform queues (Wine 8's) keep a pending request's callback after
// Shutdown without invoking it, until the queue itself is freed. A consumer's
// callback usually holds the object that owns the queue, so that cycle keeps
// the object, and all it holds, alive for good. Here the queue is handed a
// relay instead of the consumer's callback: the relay forwards the platform's
// invocation once and then lets go of the callback; `encerrar` invokes a
// request still waiting, with MF_E_SHUTDOWN, and lets go of it too.
#pragma once

#include <mutex>

#include <wrl/client.h>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {

class RepasseDeEvento;

class EsperaDeEvento {
 public:
  EsperaDeEvento() noexcept;
  EsperaDeEvento(const EsperaDeEvento&) = delete;
  EsperaDeEvento& operator=(const EsperaDeEvento&) = delete;
  ~EsperaDeEvento();

  // IMFMediaEventQueue::BeginGetEvent on `fila` for `callback` and `estado`.
  HRESULT comecar(IMFMediaEventQueue* fila, IMFAsyncCallback* callback, IUnknown* estado) noexcept;
  // IMFMediaEventQueue::Shutdown on `fila`; then a request still pending is
  // invoked once (its EndGetEvent answers MF_E_SHUTDOWN) and released.
  HRESULT encerrar(IMFMediaEventQueue* fila) noexcept;

 private:
  // Guards `pendente_`. Held across the queue's BeginGetEvent and Shutdown,
  // which neither block nor call back, so that no request can slip in
  // between a shutdown and its answer; never held while invoking.
  std::mutex mutex_;
  Microsoft::WRL::ComPtr<RepasseDeEvento> pendente_;  // the last request made
};

}  // namespace norva::plataforma
