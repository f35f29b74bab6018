// Taking over a reference that already counts for us. mingw-w64's
// ComPtr::Attach adds a reference (the Windows SDK's does not), so code that
// must behave the same under both never calls Attach: it uses `adotar`.
#pragma once

#include <wrl/client.h>

namespace norva::plataforma {

template <class T>
Microsoft::WRL::ComPtr<T> adotar(T* referencia) noexcept {
  Microsoft::WRL::ComPtr<T> ponteiro;
  *ponteiro.GetAddressOf() = referencia;
  return ponteiro;
}

}  // namespace norva::plataforma
