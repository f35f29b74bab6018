#include "fonte/src/plataforma/falha.h"

namespace norva::plataforma {

Falha falha_da_plataforma(HRESULT hr) noexcept {
  Falha falha{hr, nullptr};
  // S_FALSE means "no error information"; either way the pointer is right.
  if (GetErrorInfo(0, falha.informacao.ReleaseAndGetAddressOf()) != S_OK) {
    falha.informacao.Reset();
  }
  return falha;
}

Resultado<void> verificar(HRESULT hr) noexcept {
  if (SUCCEEDED(hr)) return {};
  return std::unexpected(falha_da_plataforma(hr));
}

HRESULT entregar(const Falha& falha) noexcept {
  if (falha.informacao) SetErrorInfo(0, falha.informacao.Get());
  return falha.hr;
}

HRESULT entregar(const Resultado<void>& resultado) noexcept {
  return resultado ? S_OK : entregar(resultado.error());
}

}  // namespace norva::plataforma
