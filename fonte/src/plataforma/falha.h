// Failures as values. A Falha is the HRESULT of a failed operation plus, when
// a platform call failed, the thread's error-information object taken right
// after it. At the COM boundary `entregar` puts that object back on the thread
// and gives the HRESULT to return.
#pragma once

#include <expected>

#include <wrl/client.h>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {

struct Falha {
  HRESULT hr = E_FAIL;
  Microsoft::WRL::ComPtr<IErrorInfo> informacao;  // may be empty
};

template <class T>
using Resultado = std::expected<T, Falha>;

// The failure of a platform call that returned `hr`, with the thread's
// error-information object (GetErrorInfo takes it off the thread).
Falha falha_da_plataforma(HRESULT hr) noexcept;

// A failure decided by the system itself (E_POINTER, MF_E_SHUTDOWN, ...).
inline Falha falha_propria(HRESULT hr) noexcept { return Falha{hr, nullptr}; }

// S_OK-family results pass; anything else becomes falha_da_plataforma(hr).
Resultado<void> verificar(HRESULT hr) noexcept;

// At the COM boundary: restores the failure's error information on the
// thread and returns its HRESULT.
HRESULT entregar(const Falha& falha) noexcept;
HRESULT entregar(const Resultado<void>& resultado) noexcept;

}  // namespace norva::plataforma
