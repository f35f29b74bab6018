#include "fonte/src/fonte/tipo_de_midia.h"

#include <cstdint>

#include "fonte/src/plataforma/mf.h"
#include "fonte/src/quadros/geometria.h"
#include "fonte/src/ritmo/ritmo.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
using plataforma::Resultado;
using plataforma::verificar;

constexpr unsigned BITS_DA_METADE = 32;
constexpr UINT32 DENOMINADOR_DA_TAXA = 1;
constexpr UINT32 PROPORCAO_DO_PIXEL = 1;  // square pixels, 1:1

// Two 32-bit halves packed as Media Foundation packs sizes and ratios.
constexpr UINT64 empacotar(UINT32 alto, UINT32 baixo) {
  return (UINT64{alto} << BITS_DA_METADE) | baixo;
}

enum class Tipo : std::uint8_t { Guid, Uint32, Uint64 };

struct AtributoFixo {
  const GUID& chave;
  Tipo tipo;
  const GUID* guid;  // for Tipo::Guid
  UINT64 numero;     // for the integer kinds
};

Resultado<void> gravar(IMFAttributes* destino, const AtributoFixo& a) noexcept {
  switch (a.tipo) {
    case Tipo::Guid:
      return verificar(destino->SetGUID(a.chave, *a.guid));
    case Tipo::Uint32:
      return verificar(destino->SetUINT32(a.chave, static_cast<UINT32>(a.numero)));
    case Tipo::Uint64:
      return verificar(destino->SetUINT64(a.chave, a.numero));
  }
  return verificar(E_UNEXPECTED);
}

template <std::size_t N>
Resultado<void> gravar_todos(IMFAttributes* destino, const AtributoFixo (&tabela)[N]) noexcept {
  for (const AtributoFixo& a : tabela) {
    if (auto r = gravar(destino, a); !r) return r;
  }
  return {};
}

}  // namespace

Resultado<ComPtr<IMFMediaType>> criar_tipo_nv12() noexcept {
  auto tipo = plataforma::criar_tipo_de_midia();
  if (!tipo) return tipo;
  const UINT64 taxa = empacotar(QUADROS_POR_SEGUNDO, DENOMINADOR_DA_TAXA);
  // In the order they are set.
  const AtributoFixo atributos[] = {
      {MF_MT_MAJOR_TYPE, Tipo::Guid, &MFMediaType_Video, 0},
      {MF_MT_SUBTYPE, Tipo::Guid, &MFVideoFormat_NV12, 0},
      {MF_MT_INTERLACE_MODE, Tipo::Uint32, nullptr, MFVideoInterlace_Progressive},
      {MF_MT_ALL_SAMPLES_INDEPENDENT, Tipo::Uint32, nullptr, TRUE},
      {MF_MT_FIXED_SIZE_SAMPLES, Tipo::Uint32, nullptr, TRUE},
      {MF_MT_SAMPLE_SIZE, Tipo::Uint32, nullptr, TAMANHO_DO_QUADRO},
      {MF_MT_DEFAULT_STRIDE, Tipo::Uint32, nullptr, LARGURA},
      {MF_MT_VIDEO_NOMINAL_RANGE, Tipo::Uint32, nullptr, MFNominalRange_16_235},
      {MF_MT_FRAME_SIZE, Tipo::Uint64, nullptr, empacotar(LARGURA, ALTURA)},
      {MF_MT_FRAME_RATE, Tipo::Uint64, nullptr, taxa},
      {MF_MT_FRAME_RATE_RANGE_MIN, Tipo::Uint64, nullptr, taxa},
      {MF_MT_FRAME_RATE_RANGE_MAX, Tipo::Uint64, nullptr, taxa},
      {MF_MT_PIXEL_ASPECT_RATIO, Tipo::Uint64, nullptr,
       empacotar(PROPORCAO_DO_PIXEL, PROPORCAO_DO_PIXEL)},
  };
  if (auto r = gravar_todos(tipo->Get(), atributos); !r) return std::unexpected(r.error());
  return tipo;
}

Resultado<ComPtr<IMFStreamDescriptor>> criar_descritor_do_fluxo(IMFMediaType* tipo) noexcept {
  auto descritor = plataforma::criar_descritor_de_fluxo(IDENTIFICADOR_DO_FLUXO, tipo);
  if (!descritor) return descritor;
  ComPtr<IMFMediaTypeHandler> manipulador;
  if (auto r = verificar((*descritor)->GetMediaTypeHandler(&manipulador)); !r) {
    return std::unexpected(r.error());
  }
  if (auto r = verificar(manipulador->SetCurrentMediaType(tipo)); !r) {
    return std::unexpected(r.error());
  }
  constexpr UINT32 COMPARTILHADO_PELO_FRAME_SERVER = 1;
  const AtributoFixo atributos[] = {
      {plataforma::MF_DEVICESTREAM_STREAM_ID, Tipo::Uint32, nullptr, IDENTIFICADOR_DO_FLUXO},
      {plataforma::MF_DEVICESTREAM_STREAM_CATEGORY, Tipo::Guid, &plataforma::PINNAME_VIDEO_CAPTURE, 0},
      {plataforma::MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES, Tipo::Uint32, nullptr,
       plataforma::MFFrameSourceTypes_Color},
      {plataforma::MF_DEVICESTREAM_FRAMESERVER_SHARED, Tipo::Uint32, nullptr,
       COMPARTILHADO_PELO_FRAME_SERVER},
  };
  if (auto r = gravar_todos(descritor->Get(), atributos); !r) return std::unexpected(r.error());
  return descritor;
}

}  // namespace norva
