// Fabrica: the class factory of CLSID_FONTE. Each successful
// DllGetClassObject makes a new one; it keeps nothing besides its count and
// is independent of the sources it makes. Agile: any thread, any apartment.
#pragma once

#include <wrl/client.h>

#include "fonte/src/plataforma/objeto_com.h"

namespace norva {

class Fabrica final : public plataforma::ObjetoCom<Fabrica, IClassFactory> {
 public:
  // A new factory holding one reference, for the caller.
  static Microsoft::WRL::ComPtr<Fabrica> nova();

  // Besides the shared identity, marshaler and weak-reference source.
  void* consultar_interface(REFIID riid) noexcept;

  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* externo, REFIID riid, void** ppv) noexcept override;
  // S_OK, and nothing else: there is no server lock (the DLL never unloads).
  HRESULT STDMETHODCALLTYPE LockServer(BOOL trancar) noexcept override;

 private:
  friend class plataforma::ObjetoCom<Fabrica, IClassFactory>;
  Fabrica() = default;
  ~Fabrica() override = default;
};

}  // namespace norva
