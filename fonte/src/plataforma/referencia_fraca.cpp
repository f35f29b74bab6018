#include "fonte/src/plataforma/referencia_fraca.h"

namespace norva::plataforma {

bool BlocoDeReferencia::tentar_adquirir_forte() noexcept {
  ULONG atual = fortes_.load();
  while (atual != 0) {
    if (fortes_.compare_exchange_weak(atual, atual + 1)) return true;
  }
  return false;
}

void BlocoDeReferencia::liberar_bloco() noexcept {
  if (blocos_.fetch_sub(1) == 1) delete this;
}

ReferenciaFraca::ReferenciaFraca(BlocoDeReferencia* bloco) noexcept : bloco_(bloco) {
  bloco_->adquirir_bloco();
}

ReferenciaFraca::~ReferenciaFraca() { bloco_->liberar_bloco(); }

HRESULT ReferenciaFraca::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IWeakReference)) {
    AddRef();
    *ppv = static_cast<IWeakReference*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG ReferenciaFraca::AddRef() noexcept { return referencias_.fetch_add(1) + 1; }

ULONG ReferenciaFraca::Release() noexcept {
  const ULONG restantes = referencias_.fetch_sub(1) - 1;
  if (restantes == 0) delete this;
  return restantes;
}

HRESULT ReferenciaFraca::Resolve(REFIID riid, IInspectable** objeto) noexcept {
  if (objeto == nullptr) return E_POINTER;
  if (!bloco_->tentar_adquirir_forte()) {
    *objeto = nullptr;
    return S_OK;
  }
  IInspectable* identidade = bloco_->identidade();
  void* resultado = nullptr;
  const HRESULT hr = identidade->QueryInterface(riid, &resultado);
  identidade->Release();  // the strong reference taken above
  if (FAILED(hr)) return hr;
  *objeto = static_cast<IInspectable*>(resultado);
  return S_OK;
}

}  // namespace norva::plataforma
