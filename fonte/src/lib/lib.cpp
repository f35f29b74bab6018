// The DLL's entry point and its four exports. Loading only stores the module
// handle and logs one line; everything else happens when an export is called.
#include <windows.h>

#include <atomic>

#include "fonte/src/lib/clsid.h"
#include "fonte/src/lib/fabrica.h"
#include "fonte/src/lib/registrar.h"
#include "fonte/src/registro/caminho_do_modulo.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"

namespace {

// Set once, at process attach, before any export can run; never cleared.
std::atomic<HMODULE> instancia_do_modulo{nullptr};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID /*lpvReserved*/) noexcept {
  // Thread attach/detach and process detach do nothing: the DLL is never
  // unloaded on purpose and keeps nothing that needs cleaning up.
  if (fdwReason == DLL_PROCESS_ATTACH) {
    instancia_do_modulo.store(hinstDLL);
    norva::Registro::escrever("DLL carregada");
  }
  return TRUE;
}

// Exported as DllGetClassObject (see the .def file). The class and interface
// ids are taken as pointers, not as the SDK's references, so that a caller's
// null really is seen as null instead of being assumed away.
extern "C" HRESULT STDAPICALLTYPE norva_DllGetClassObject(const CLSID* rclsid, const IID* riid,
                                                          void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (rclsid == nullptr || !norva::e_clsid_fonte(*rclsid)) {
    norva::Registro::escrever("DllGetClassObject: CLSID desconhecido");
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  Microsoft::WRL::ComPtr<norva::Fabrica> fabrica = norva::Fabrica::nova();
  const HRESULT hr = riid == nullptr ? E_POINTER : fabrica->QueryInterface(*riid, ppv);
  norva::Registro::escrever("DllGetClassObject -> " + norva::texto_do_hresult(hr));
  return hr;  // `fabrica` drops the creation reference: a failed query frees it
}

// Once loaded, the DLL stays until the process ends.
STDAPI DllCanUnloadNow() { return S_FALSE; }

// The SDK declares these exports without noexcept; the lambdas make any
// exception (only running out of memory) end the process instead of
// unwinding into the caller.
STDAPI DllRegisterServer() {
  return []() noexcept { return norva::registrar_servidor(norva::caminho_do_modulo(instancia_do_modulo.load())); }();
}

STDAPI DllUnregisterServer() {
  return []() noexcept { return norva::desregistrar_servidor(); }();
}
