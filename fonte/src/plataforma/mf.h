// Media Foundation and COM runtime operations used by the stream, the source
// and the class factory, each returning its failure as a value. Method calls
// on the objects these return are checked with `verificar` (falha.h).
#pragma once

#include <cstdint>

#include <wrl/client.h>

#include "fonte/src/plataforma/falha.h"

namespace norva::plataforma {

using Microsoft::WRL::ComPtr;

Resultado<ComPtr<IMFMediaType>> criar_tipo_de_midia() noexcept;
Resultado<ComPtr<IMFStreamDescriptor>> criar_descritor_de_fluxo(DWORD identificador,
                                                                 IMFMediaType* tipo) noexcept;
Resultado<ComPtr<IMFMediaEventQueue>> criar_fila_de_eventos() noexcept;
Resultado<ComPtr<IMFAttributes>> criar_atributos(UINT32 tamanho_inicial) noexcept;
Resultado<ComPtr<IMFPresentationDescriptor>> criar_descritor_de_apresentacao(
    IMFStreamDescriptor* descritor) noexcept;
Resultado<ComPtr<IMFSample>> criar_amostra() noexcept;
Resultado<ComPtr<IMFMediaBuffer>> criar_buffer_de_memoria(DWORD tamanho) noexcept;
// A free-threaded marshaler with no outer object, as its IMarshal.
Resultado<ComPtr<IMarshal>> criar_marshaler_livre() noexcept;

// The system time in units of 100 ns.
std::int64_t tempo_do_sistema() noexcept;

// Frees memory that a platform call allocated with the COM task allocator.
void liberar_memoria_da_tarefa(void* memoria) noexcept;

}  // namespace norva::plataforma
