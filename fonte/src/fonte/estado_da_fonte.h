// The media source's changing state, always accessed under its mutex.
#pragma once

#include <cstdint>
#include <memory>

#include <wrl/client.h>

#include "fonte/src/fluxo/estado_do_fluxo.h"

namespace norva {

enum class SituacaoDaFonte : std::uint8_t { Parada = 0, Rodando = 1, Desligada = 2 };

struct EstadoDaFonte {
  // The three references are filled once at construction and emptied by
  // Shutdown; a method copies what it needs out under the lock and uses the
  // copies after unlocking, so a concurrent Shutdown cannot pull them away.
  Microsoft::WRL::ComPtr<IMFMediaStream> fluxo;
  std::shared_ptr<EstadoDoFluxo> estado_do_fluxo;
  Microsoft::WRL::ComPtr<IMFPresentationDescriptor> descritor_de_apresentacao;
  SituacaoDaFonte situacao = SituacaoDaFonte::Parada;
  bool ja_iniciada = false;  // set by the first Start that gets that far
};

}  // namespace norva
