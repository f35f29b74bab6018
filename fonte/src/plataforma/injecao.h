// Test seam: makes a chosen platform creation call fail with a chosen
// HRESULT, so failure paths run against the real platform otherwise. Inert
// unless a test arms it (one relaxed atomic load per wrapped call).
#pragma once

#include <cstdint>

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {

enum class Operacao : std::uint8_t {
  MFCreateMediaType,
  MFCreateStreamDescriptor,
  MFCreateEventQueue,
  MFCreateAttributes,
  MFCreatePresentationDescriptor,
  MFCreateSample,
  MFCreateMemoryBuffer,
  CoCreateFreeThreadedMarshaler,
};
inline constexpr std::size_t QUANTIDADE_DE_OPERACOES = 8;

// The injected HRESULT for this call of `operacao`, or S_OK to go ahead.
HRESULT falha_injetada(Operacao operacao) noexcept;

namespace teste {
// The `n_esima` call (1 = the next one) of `operacao` from now on fails with
// `hr`; one shot, the calls after it go through again.
void falhar_na_chamada(Operacao operacao, std::uint32_t n_esima, HRESULT hr);
// Disarms every operation.
void limpar_falhas();
}  // namespace teste

}  // namespace norva::plataforma
