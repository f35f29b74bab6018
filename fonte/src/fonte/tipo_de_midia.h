// The one format the camera offers (NV12 1920x1080 at 30/1) as a media type,
// and the stream descriptor that offers it with the device-stream attributes.
#pragma once

#include <wrl/client.h>

#include "fonte/src/plataforma/falha.h"

namespace norva {

inline constexpr DWORD IDENTIFICADOR_DO_FLUXO = 0;

plataforma::Resultado<Microsoft::WRL::ComPtr<IMFMediaType>> criar_tipo_nv12() noexcept;

// Stream 0 offering `tipo`, which is also made its current type.
plataforma::Resultado<Microsoft::WRL::ComPtr<IMFStreamDescriptor>> criar_descritor_do_fluxo(
    IMFMediaType* tipo) noexcept;

}  // namespace norva
