// Moving references in and out of ComPtr the same way under both SDKs.
// mingw-w64's ComPtr::Attach adds a reference and its move assignment copies
// (leaving the source set), unlike the Windows SDK's; so our code never calls
// Attach nor move-assigns a ComPtr: it uses `adotar` and `tomar`.
#pragma once

#include <wrl/client.h>

namespace norva::plataforma {

template <class T>
Microsoft::WRL::ComPtr<T> adotar(T* referencia) noexcept {
  Microsoft::WRL::ComPtr<T> ponteiro;
  *ponteiro.GetAddressOf() = referencia;
  return ponteiro;
}

// Takes the reference out of `origem`, leaving it empty.
template <class T>
Microsoft::WRL::ComPtr<T> tomar(Microsoft::WRL::ComPtr<T>& origem) noexcept {
  Microsoft::WRL::ComPtr<T> ponteiro;
  ponteiro.Swap(origem);
  return ponteiro;
}

}  // namespace norva::plataforma
