// ObjetoCom: the conventions every COM object of the system shares (the class
// factory, the source and the stream).
//
//   class Coisa final : public plataforma::ObjetoCom<Coisa, IFoo, IBar> {
//     // The object's own interfaces; nullptr when not offered.
//     void* consultar_interface(REFIID riid) noexcept;
//   };
//
// What the base gives:
//   - one atomic reference count, starting at 1 for the creator; AddRef and
//     Release return the real new value; the object is deleted at 0;
//   - the identity (IUnknown, IInspectable, IAgileObject) with IInspectable's
//     three trivial methods;
//   - IWeakReferenceSource, whose weak references resolve while the object
//     lives and give null after;
//   - IMarshal through a marshaler made per query over the free-threaded
//     marshaler (marshaler.h);
//   - QueryInterface rules: null ppv -> E_POINTER, nothing written; not
//     offered -> E_NOINTERFACE with *ppv = nullptr (riid is a reference:
//     a caller cannot pass a null one without undefined behaviour);
//   - a count of live objects per class (`vivos()`), for lifetime tests.
// Every method is noexcept: an exception inside one ends the process instead
// of unwinding into the caller.
#pragma once

#include <atomic>

#include "fonte/src/plataforma/falha.h"
#include "fonte/src/plataforma/marshaler.h"
#include "fonte/src/plataforma/referencia_fraca.h"

namespace norva::plataforma {

template <class Derivado, class... Interfaces>
class ObjetoCom : public IInspectable, public IWeakReferenceSource, public Interfaces... {
 public:
  ObjetoCom(const ObjetoCom&) = delete;
  ObjetoCom& operator=(const ObjetoCom&) = delete;

  // How many objects of this class exist right now.
  static long vivos() noexcept { return vivos_.load(); }

  IInspectable* identidade() noexcept { return static_cast<IInspectable*>(this); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (ppv == nullptr) return E_POINTER;
    void* ponteiro = nullptr;
    if (riid == __uuidof(IAgileObject) || riid == __uuidof(IInspectable) ||
        riid == __uuidof(IUnknown)) {
      ponteiro = identidade();
    } else if (void* propria = static_cast<Derivado*>(this)->consultar_interface(riid)) {
      ponteiro = propria;
    } else if (riid == __uuidof(IMarshal)) {
      auto marshaler = criar_marshaler_do_objeto(identidade());
      if (!marshaler) {
        *ppv = nullptr;
        return entregar(marshaler.error());
      }
      *ppv = marshaler->Detach();
      return S_OK;
    } else if (riid == __uuidof(IWeakReferenceSource)) {
      ponteiro = static_cast<IWeakReferenceSource*>(this);
    }
    if (ponteiro == nullptr) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *ppv = ponteiro;
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return bloco_->adquirir_forte(); }

  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG restantes = bloco_->liberar_forte();
    if (restantes == 0) delete static_cast<Derivado*>(this);
    return restantes;
  }

  HRESULT STDMETHODCALLTYPE GetIids(ULONG* quantidade, IID** iids) noexcept override {
    if (quantidade == nullptr || iids == nullptr) return E_POINTER;
    *quantidade = 0;
    *iids = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* nome) noexcept override {
    if (nome == nullptr) return E_POINTER;
    *nome = nullptr;  // the empty string
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* nivel) noexcept override {
    if (nivel == nullptr) return E_POINTER;
    *nivel = BaseTrust;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetWeakReference(IWeakReference** referencia) noexcept override {
    if (referencia == nullptr) return E_POINTER;
    *referencia = new ReferenciaFraca(bloco_);
    return S_OK;
  }

 protected:
  ObjetoCom() : bloco_(new BlocoDeReferencia(identidade())) { vivos_.fetch_add(1); }
  virtual ~ObjetoCom() {
    bloco_->liberar_bloco();
    vivos_.fetch_sub(1);
  }

 private:
  static inline std::atomic<long> vivos_{0};
  BlocoDeReferencia* bloco_;  // one count of it held by the object
};

}  // namespace norva::plataforma
