#include "fonte/src/lib/fabrica.h"

#include <string>

#include "fonte/src/fonte/fonte.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"
#include "fonte/src/registro/texto_de_erro_windows.h"

namespace norva {

Microsoft::WRL::ComPtr<Fabrica> Fabrica::nova() {
  return plataforma::adotar(new Fabrica());
}

void* Fabrica::consultar_interface(REFIID riid) noexcept {
  if (riid == __uuidof(IClassFactory)) return static_cast<IClassFactory*>(this);
  return nullptr;
}

HRESULT Fabrica::CreateInstance(IUnknown* externo, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (externo != nullptr) return CLASS_E_NOAGGREGATION;

  auto fonte = Fonte::criar();
  if (!fonte) {
    const plataforma::Falha& falha = fonte.error();
    Registro::escrever("CreateInstance: falhou ao criar a fonte: " + texto_do_erro(falha.hr, falha.informacao.Get()));
    return plataforma::entregar(falha);
  }

  const HRESULT hr = (*fonte)->QueryInterface(riid, ppv);
  Registro::escrever("CreateInstance riid=" + texto_do_guid(riid) + " -> " + texto_do_hresult(hr));
  if (FAILED(hr)) {
    // Nobody outside holds the source, but its stream holds it back: undo
    // that link so the release below really frees both.
    Fonte::descartar(fonte->Get());
  }
  return hr;  // `fonte` drops the creation reference
}

HRESULT Fabrica::LockServer(BOOL /*trancar*/) noexcept { return S_OK; }

}  // namespace norva
