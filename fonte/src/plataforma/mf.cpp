#include "fonte/src/plataforma/mf.h"

#include "fonte/src/plataforma/injecao.h"

namespace norva::plataforma {
namespace {

// Runs `chamada` (which fills `objeto`) unless a test injected a failure.
template <class T, class Chamada>
Resultado<ComPtr<T>> criar(Operacao operacao, Chamada&& chamada) noexcept {
  if (const HRESULT injetada = falha_injetada(operacao); FAILED(injetada)) {
    return std::unexpected(falha_propria(injetada));
  }
  ComPtr<T> objeto;
  const HRESULT hr = chamada(objeto.GetAddressOf());
  if (FAILED(hr)) return std::unexpected(falha_da_plataforma(hr));
  if (!objeto) return std::unexpected(falha_propria(E_POINTER));
  return objeto;
}

}  // namespace

Resultado<ComPtr<IMFMediaType>> criar_tipo_de_midia() noexcept {
  return criar<IMFMediaType>(Operacao::MFCreateMediaType,
                             [](IMFMediaType** p) { return MFCreateMediaType(p); });
}

Resultado<ComPtr<IMFStreamDescriptor>> criar_descritor_de_fluxo(DWORD identificador,
                                                                 IMFMediaType* tipo) noexcept {
  return criar<IMFStreamDescriptor>(Operacao::MFCreateStreamDescriptor,
                                    [&](IMFStreamDescriptor** p) {
                                      IMFMediaType* tipos[] = {tipo};
                                      return MFCreateStreamDescriptor(identificador, 1, tipos, p);
                                    });
}

Resultado<ComPtr<IMFMediaEventQueue>> criar_fila_de_eventos() noexcept {
  return criar<IMFMediaEventQueue>(Operacao::MFCreateEventQueue,
                                   [](IMFMediaEventQueue** p) { return MFCreateEventQueue(p); });
}

Resultado<ComPtr<IMFAttributes>> criar_atributos(UINT32 tamanho_inicial) noexcept {
  return criar<IMFAttributes>(Operacao::MFCreateAttributes, [&](IMFAttributes** p) {
    return MFCreateAttributes(p, tamanho_inicial);
  });
}

Resultado<ComPtr<IMFPresentationDescriptor>> criar_descritor_de_apresentacao(
    IMFStreamDescriptor* descritor) noexcept {
  return criar<IMFPresentationDescriptor>(Operacao::MFCreatePresentationDescriptor,
                                          [&](IMFPresentationDescriptor** p) {
                                            IMFStreamDescriptor* descritores[] = {descritor};
                                            return MFCreatePresentationDescriptor(1, descritores, p);
                                          });
}

Resultado<ComPtr<IMFSample>> criar_amostra() noexcept {
  return criar<IMFSample>(Operacao::MFCreateSample, [](IMFSample** p) { return MFCreateSample(p); });
}

Resultado<ComPtr<IMFMediaBuffer>> criar_buffer_de_memoria(DWORD tamanho) noexcept {
  return criar<IMFMediaBuffer>(Operacao::MFCreateMemoryBuffer, [&](IMFMediaBuffer** p) {
    return MFCreateMemoryBuffer(tamanho, p);
  });
}

Resultado<ComPtr<IMarshal>> criar_marshaler_livre() noexcept {
  auto desconhecido = criar<IUnknown>(Operacao::CoCreateFreeThreadedMarshaler, [](IUnknown** p) {
    return CoCreateFreeThreadedMarshaler(nullptr, p);
  });
  if (!desconhecido) return std::unexpected(desconhecido.error());
  ComPtr<IMarshal> marshaler;
  if (auto r = verificar((*desconhecido).As(&marshaler)); !r) return std::unexpected(r.error());
  return marshaler;
}

std::int64_t tempo_do_sistema() noexcept { return MFGetSystemTime(); }

void liberar_memoria_da_tarefa(void* memoria) noexcept { CoTaskMemFree(memoria); }

}  // namespace norva::plataforma
