// The weak-reference machinery shared by every COM object of the system.
// A BlocoDeReferencia holds the object's strong count (so a weak reference
// can tell, without a lock, whether the object still lives) and is itself
// counted by the object and by each weak reference, so it outlives both.
#pragma once

#include <atomic>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {

class BlocoDeReferencia {
 public:
  explicit BlocoDeReferencia(IInspectable* identidade) noexcept : identidade_(identidade) {}

  // Strong count of the object (starts at 1 for its creator).
  ULONG adquirir_forte() noexcept { return fortes_.fetch_add(1) + 1; }
  ULONG liberar_forte() noexcept { return fortes_.fetch_sub(1) - 1; }
  // A new strong reference only while the object still lives (count > 0);
  // once the count has reached 0 it never rises again.
  bool tentar_adquirir_forte() noexcept;

  void adquirir_bloco() noexcept { blocos_.fetch_add(1); }
  void liberar_bloco() noexcept;

  // Valid only while a strong reference is held.
  IInspectable* identidade() const noexcept { return identidade_; }

 private:
  std::atomic<ULONG> fortes_{1};
  std::atomic<ULONG> blocos_{1};  // the object's own + one per weak reference
  IInspectable* identidade_;
};

// The IWeakReference handed out by an object's IWeakReferenceSource.
// Resolve gives S_OK and a new reference while the object lives; after its
// last strong reference is gone it gives S_OK and a null pointer, as the
// platform's weak references do.
class ReferenciaFraca final : public IWeakReference {
 public:
  explicit ReferenciaFraca(BlocoDeReferencia* bloco) noexcept;
  ReferenciaFraca(const ReferenciaFraca&) = delete;
  ReferenciaFraca& operator=(const ReferenciaFraca&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;
  HRESULT STDMETHODCALLTYPE Resolve(REFIID riid, IInspectable** objeto) noexcept override;

 private:
  ~ReferenciaFraca();
  std::atomic<ULONG> referencias_{1};
  BlocoDeReferencia* bloco_;  // one count of it held
};

}  // namespace norva::plataforma
