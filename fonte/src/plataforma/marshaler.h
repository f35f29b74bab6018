// The IMarshal answered by every COM object of the system: made for one
// QueryInterface, it holds a counted reference to the object and a
// free-threaded marshaler, forwards every IMarshal method to the latter and
// answers any other interface through the object's own QueryInterface.
#pragma once

#include <atomic>

#include <wrl/client.h>

#include "fonte/src/plataforma/falha.h"

namespace norva::plataforma {

// A new marshaler for `objeto` (its identity), returned with one reference.
Resultado<Microsoft::WRL::ComPtr<IMarshal>> criar_marshaler_do_objeto(IUnknown* objeto) noexcept;

class MarshalerDoObjeto final : public IMarshal {
 public:
  MarshalerDoObjeto(Microsoft::WRL::ComPtr<IUnknown> objeto,
                    Microsoft::WRL::ComPtr<IMarshal> livre) noexcept;
  MarshalerDoObjeto(const MarshalerDoObjeto&) = delete;
  MarshalerDoObjeto& operator=(const MarshalerDoObjeto&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;

  HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID riid, void* pv, DWORD dwDestContext,
                                              void* pvDestContext, DWORD mshlflags,
                                              CLSID* pCid) noexcept override;
  HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID riid, void* pv, DWORD dwDestContext,
                                              void* pvDestContext, DWORD mshlflags,
                                              DWORD* pSize) noexcept override;
  HRESULT STDMETHODCALLTYPE MarshalInterface(IStream* pStm, REFIID riid, void* pv,
                                             DWORD dwDestContext, void* pvDestContext,
                                             DWORD mshlflags) noexcept override;
  HRESULT STDMETHODCALLTYPE UnmarshalInterface(IStream* pStm, REFIID riid,
                                               void** ppv) noexcept override;
  HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IStream* pStm) noexcept override;
  HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD dwReserved) noexcept override;

 private:
  ~MarshalerDoObjeto() = default;
  std::atomic<ULONG> referencias_{1};
  Microsoft::WRL::ComPtr<IUnknown> objeto_;
  Microsoft::WRL::ComPtr<IMarshal> livre_;
};

}  // namespace norva::plataforma
