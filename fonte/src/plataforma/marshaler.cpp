#include "fonte/src/plataforma/marshaler.h"

#include <utility>

#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/mf.h"

namespace norva::plataforma {

Resultado<Microsoft::WRL::ComPtr<IMarshal>> criar_marshaler_do_objeto(IUnknown* objeto) noexcept {
  auto livre = criar_marshaler_livre();
  if (!livre) return std::unexpected(livre.error());
  return adotar<IMarshal>(new MarshalerDoObjeto(objeto, std::move(*livre)));
}

MarshalerDoObjeto::MarshalerDoObjeto(Microsoft::WRL::ComPtr<IUnknown> objeto,
                                     Microsoft::WRL::ComPtr<IMarshal> livre) noexcept
    : objeto_(std::move(objeto)), livre_(std::move(livre)) {}

HRESULT MarshalerDoObjeto::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  if (riid == __uuidof(IMarshal)) {
    AddRef();
    *ppv = static_cast<IMarshal*>(this);
    return S_OK;
  }
  return objeto_->QueryInterface(riid, ppv);
}

ULONG MarshalerDoObjeto::AddRef() noexcept { return referencias_.fetch_add(1) + 1; }

ULONG MarshalerDoObjeto::Release() noexcept {
  const ULONG restantes = referencias_.fetch_sub(1) - 1;
  if (restantes == 0) delete this;
  return restantes;
}

HRESULT MarshalerDoObjeto::GetUnmarshalClass(REFIID riid, void* pv, DWORD dwDestContext,
                                             void* pvDestContext, DWORD mshlflags,
                                             CLSID* pCid) noexcept {
  return livre_->GetUnmarshalClass(riid, pv, dwDestContext, pvDestContext, mshlflags, pCid);
}

HRESULT MarshalerDoObjeto::GetMarshalSizeMax(REFIID riid, void* pv, DWORD dwDestContext,
                                             void* pvDestContext, DWORD mshlflags,
                                             DWORD* pSize) noexcept {
  return livre_->GetMarshalSizeMax(riid, pv, dwDestContext, pvDestContext, mshlflags, pSize);
}

HRESULT MarshalerDoObjeto::MarshalInterface(IStream* pStm, REFIID riid, void* pv,
                                            DWORD dwDestContext, void* pvDestContext,
                                            DWORD mshlflags) noexcept {
  return livre_->MarshalInterface(pStm, riid, pv, dwDestContext, pvDestContext, mshlflags);
}

HRESULT MarshalerDoObjeto::UnmarshalInterface(IStream* pStm, REFIID riid, void** ppv) noexcept {
  return livre_->UnmarshalInterface(pStm, riid, ppv);
}

HRESULT MarshalerDoObjeto::ReleaseMarshalData(IStream* pStm) noexcept {
  return livre_->ReleaseMarshalData(pStm);
}

HRESULT MarshalerDoObjeto::DisconnectObject(DWORD dwReserved) noexcept {
  return livre_->DisconnectObject(dwReserved);
}

}  // namespace norva::plataforma
