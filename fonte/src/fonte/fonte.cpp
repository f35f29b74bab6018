#include "fonte/src/fonte/fonte.h"

#include <string>
#include <utility>

#include "fonte/src/fluxo/fluxo.h"
#include "fonte/src/fonte/tipo_de_midia.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/mf.h"
#include "fonte/src/quadros/geometria.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"
#include "fonte/src/ritmo/ritmo.h"

namespace norva {

using Microsoft::WRL::ComPtr;
using plataforma::entregar;
using plataforma::Resultado;
using plataforma::verificar;

namespace {

constexpr UINT32 TAMANHO_INICIAL_DOS_ATRIBUTOS = 4;
constexpr DWORD INDICE_DO_FLUXO = 0;

std::string linha_de_criacao() {
  return "fonte de m\u00eddia criada (" + std::to_string(LARGURA) + "x" + std::to_string(ALTURA) +
         " NV12 " + std::to_string(QUADROS_POR_SEGUNDO) + "fps)";
}

}  // namespace

Resultado<ComPtr<IMFMediaSourceEx>> Fonte::criar() noexcept { return criar(Cano::novo()); }

Resultado<ComPtr<IMFMediaSourceEx>> Fonte::criar(std::shared_ptr<Cano> cano) noexcept {
  auto tipo = criar_tipo_nv12();
  if (!tipo) return std::unexpected(tipo.error());
  auto descritor = criar_descritor_do_fluxo(tipo->Get());
  if (!descritor) return std::unexpected(descritor.error());
  auto fila_da_fonte = plataforma::criar_fila_de_eventos();
  if (!fila_da_fonte) return std::unexpected(fila_da_fonte.error());
  auto fila_do_fluxo = plataforma::criar_fila_de_eventos();
  if (!fila_do_fluxo) return std::unexpected(fila_do_fluxo.error());
  auto atributos = plataforma::criar_atributos(TAMANHO_INICIAL_DOS_ATRIBUTOS);
  if (!atributos) return std::unexpected(atributos.error());

  ComPtr<Fonte> fonte = plataforma::adotar(new Fonte(*fila_da_fonte, *atributos, cano));
  auto estado_do_fluxo = std::make_shared<EstadoDoFluxo>();
  if (auto r = verificar(fonte.As(&estado_do_fluxo->fonte_de_midia)); !r) {
    return std::unexpected(r.error());
  }
  ComPtr<Fluxo> fluxo = Fluxo::criar(estado_do_fluxo, *fila_do_fluxo, *descritor, cano);

  // From here the stream holds the source: a failure must cut that link, or
  // neither would ever be freed.
  auto desfazer = [&](const plataforma::Falha& falha) {
    std::scoped_lock trava(estado_do_fluxo->mutex);
    estado_do_fluxo->fonte_de_midia.Reset();
    return std::unexpected(falha);
  };
  auto apresentacao = plataforma::criar_descritor_de_apresentacao(descritor->Get());
  if (!apresentacao) return desfazer(apresentacao.error());
  if (auto r = verificar((*apresentacao)->SelectStream(INDICE_DO_FLUXO)); !r) {
    return desfazer(r.error());
  }

  {
    std::scoped_lock trava(fonte->mutex_);
    fonte->estado_.fluxo = fluxo;
    fonte->estado_.estado_do_fluxo = estado_do_fluxo;
    fonte->estado_.descritor_de_apresentacao = *apresentacao;
  }
  Registro::escrever(linha_de_criacao());
  ComPtr<IMFMediaSourceEx> resultado = fonte;
  return resultado;
}

void Fonte::descartar(IMFMediaSourceEx* fonte) noexcept {
  if (fonte != nullptr) static_cast<Fonte*>(fonte)->encerrar(false);
}

Fonte::Fonte(ComPtr<IMFMediaEventQueue> fila, ComPtr<IMFAttributes> atributos,
             std::shared_ptr<Cano> cano)
    : fila_(std::move(fila)), atributos_(std::move(atributos)), cano_(std::move(cano)) {}

Fonte::Retrato Fonte::retrato() noexcept {
  Retrato r{};
  std::shared_ptr<EstadoDoFluxo> estado_do_fluxo;
  {
    std::scoped_lock trava(mutex_);
    r.situacao = estado_.situacao;
    r.ja_iniciada = estado_.ja_iniciada;
    r.tem_fluxo = estado_.fluxo != nullptr;
    r.tem_descritor = estado_.descritor_de_apresentacao != nullptr;
    estado_do_fluxo = estado_.estado_do_fluxo;
  }
  if (estado_do_fluxo) {
    std::scoped_lock trava(estado_do_fluxo->mutex);
    r.fluxo_rodando = estado_do_fluxo->rodando;
    r.fluxo_desligado = estado_do_fluxo->desligado;
    r.fluxo_tem_fonte = estado_do_fluxo->fonte_de_midia != nullptr;
  }
  return r;
}

ComPtr<IMFMediaStream> Fonte::fluxo() noexcept {
  std::scoped_lock trava(mutex_);
  return estado_.fluxo;
}

void* Fonte::consultar_interface(REFIID riid) noexcept {
  if (riid == __uuidof(IMFMediaSourceEx) || riid == __uuidof(IMFMediaEventGenerator) ||
      riid == __uuidof(IMFMediaSource)) {
    return static_cast<IMFMediaSourceEx*>(this);
  }
  if (riid == __uuidof(IMFGetService)) return static_cast<IMFGetService*>(this);
  if (riid == __uuidof(IKsControl)) return static_cast<IKsControl*>(this);
  if (riid == __uuidof(IMFActivate) || riid == __uuidof(IMFAttributes)) {
    return static_cast<IMFActivate*>(this);
  }
  return nullptr;
}

HRESULT Fonte::verificar_ativa() noexcept {
  std::scoped_lock trava(mutex_);
  return estado_.situacao == SituacaoDaFonte::Desligada ? MF_E_SHUTDOWN : S_OK;
}

// The first of Start and ActivateObject fixes the pipe; Cano ignores the rest.
void Fonte::iniciar_cano() noexcept { cano_->iniciar(ler_nome_amigavel(atributos_.Get())); }

// --- IMFMediaEventGenerator: the source's queue; after Shutdown its answer.

HRESULT Fonte::GetEvent(DWORD dwFlags, IMFMediaEvent** ppEvent) noexcept {
  if (ppEvent == nullptr) return E_POINTER;
  return fila_->GetEvent(dwFlags, ppEvent);
}

HRESULT Fonte::BeginGetEvent(IMFAsyncCallback* pCallback, IUnknown* punkState) noexcept {
  if (pCallback == nullptr) return E_POINTER;
  return espera_.comecar(fila_.Get(), pCallback, punkState);
}

HRESULT Fonte::EndGetEvent(IMFAsyncResult* pResult, IMFMediaEvent** ppEvent) noexcept {
  if (pResult == nullptr || ppEvent == nullptr) return E_POINTER;
  return fila_->EndGetEvent(pResult, ppEvent);
}

HRESULT Fonte::QueueEvent(MediaEventType met, REFGUID guidExtendedType, HRESULT hrStatus,
                          const PROPVARIANT* pvValue) noexcept {
  return fila_->QueueEventParamVar(met, guidExtendedType, hrStatus, pvValue);
}

// --- IMFMediaSource

HRESULT Fonte::GetCharacteristics(DWORD* pdwCharacteristics) noexcept {
  if (pdwCharacteristics == nullptr) return E_POINTER;
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  *pdwCharacteristics = MFMEDIASOURCE_IS_LIVE;
  return S_OK;
}

HRESULT Fonte::CreatePresentationDescriptor(IMFPresentationDescriptor** ppPD) noexcept {
  if (ppPD == nullptr) return E_POINTER;
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  ComPtr<IMFPresentationDescriptor> copia;
  {
    std::scoped_lock trava(mutex_);
    if (!estado_.descritor_de_apresentacao) return E_INVALIDARG;
    if (auto r = verificar(estado_.descritor_de_apresentacao->Clone(&copia)); !r) return entregar(r);
  }
  *ppPD = copia.Detach();
  return S_OK;
}

HRESULT Fonte::Start(IMFPresentationDescriptor* pPD, const GUID* pguidTimeFormat,
                     const PROPVARIANT* pvarStartPosition) noexcept {
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  // Before the argument checks: even a refused Start starts the frame supply.
  iniciar_cano();
  if (pPD == nullptr) return E_POINTER;
  if (pguidTimeFormat != nullptr && !IsEqualGUID(*pguidTimeFormat, GUID_NULL)) {
    return MF_E_UNSUPPORTED_TIME_FORMAT;
  }

  ComPtr<IMFMediaStream> fluxo;
  std::shared_ptr<EstadoDoFluxo> estado_do_fluxo;
  bool anterior = false;
  {
    std::scoped_lock trava(mutex_);
    // A Shutdown since the check above emptied the fields: say so.
    if (estado_.situacao == SituacaoDaFonte::Desligada) return MF_E_SHUTDOWN;
    fluxo = estado_.fluxo;
    estado_do_fluxo = estado_.estado_do_fluxo;
    if (!fluxo || !estado_do_fluxo) return E_INVALIDARG;
    anterior = estado_.ja_iniciada;
    estado_.situacao = SituacaoDaFonte::Rodando;
    estado_.ja_iniciada = true;
  }

  BOOL selecionado = FALSE;
  ComPtr<IMFStreamDescriptor> descritor;
  if (auto r = verificar(pPD->GetStreamDescriptorByIndex(INDICE_DO_FLUXO, &selecionado, &descritor));
      !r) {
    return entregar(r);
  }
  descritor.Reset();
  PROPVARIANT vazio;
  PropVariantInit(&vazio);
  const PROPVARIANT* posicao = pvarStartPosition != nullptr ? pvarStartPosition : &vazio;
  if (!selecionado) {
    // The stream is left as it is, but a consumer waits for MESourceStarted.
    Registro::escrever("Start com o fluxo 0 deselecionado \u2014 nada a iniciar");
    return entregar(verificar(fila_->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, posicao)));
  }

  {
    std::scoped_lock trava(estado_do_fluxo->mutex);
    estado_do_fluxo->rodando = true;
  }
  // The value is the stream's IMFMediaStream pointer, not its identity:
  // consumers (the media session) call through it without a QueryInterface.
  const MediaEventType anuncio = anterior ? MEUpdatedStream : MENewStream;
  if (auto r = verificar(fila_->QueueEventParamUnk(anuncio, GUID_NULL, S_OK, fluxo.Get())); !r) {
    return entregar(r);
  }
  if (auto r = verificar(fluxo->QueueEvent(MEStreamStarted, GUID_NULL, S_OK, posicao)); !r) {
    return entregar(r);
  }
  if (auto r = verificar(fila_->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, posicao)); !r) {
    return entregar(r);
  }
  Registro::escrever("Start: fonte rodando (primeira_vez=" + std::string(texto_do_booleano(!anterior)) + ")");
  return S_OK;
}

HRESULT Fonte::Stop() noexcept {
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  ComPtr<IMFMediaStream> fluxo;
  std::shared_ptr<EstadoDoFluxo> estado_do_fluxo;
  {
    std::scoped_lock trava(mutex_);
    estado_.situacao = SituacaoDaFonte::Parada;
    fluxo = estado_.fluxo;
    estado_do_fluxo = estado_.estado_do_fluxo;
  }
  if (estado_do_fluxo) {
    std::scoped_lock trava(estado_do_fluxo->mutex);
    estado_do_fluxo->rodando = false;
  }
  if (fluxo) {
    if (auto r = verificar(fluxo->QueueEvent(MEStreamStopped, GUID_NULL, S_OK, nullptr)); !r) {
      return entregar(r);
    }
  }
  if (auto r = verificar(fila_->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr)); !r) {
    return entregar(r);
  }
  Registro::escrever("Stop");
  return S_OK;
}

HRESULT Fonte::Pause() noexcept { return MF_E_INVALID_STATE_TRANSITION; }

HRESULT Fonte::Shutdown() noexcept { return encerrar(true); }

HRESULT Fonte::encerrar(bool registrar) noexcept {
  ComPtr<IMFMediaStream> fluxo;
  std::shared_ptr<EstadoDoFluxo> estado_do_fluxo;
  {
    std::scoped_lock trava(mutex_);
    if (estado_.situacao == SituacaoDaFonte::Desligada) return S_OK;
    estado_.situacao = SituacaoDaFonte::Desligada;
    estado_.descritor_de_apresentacao.Reset();
    fluxo = plataforma::tomar(estado_.fluxo);
    estado_do_fluxo = std::move(estado_.estado_do_fluxo);
  }
  if (estado_do_fluxo) {
    // The caller's own reference keeps this object alive past this release.
    std::scoped_lock trava(estado_do_fluxo->mutex);
    estado_do_fluxo->rodando = false;
    estado_do_fluxo->desligado = true;
    estado_do_fluxo->fonte_de_midia.Reset();
  }
  cano_->encerrar();
  // The source's queue first, then the stream's: a consumer's request pending
  // on the stream's would otherwise hold the stream (and its frame buffers)
  // for good. Both are shut down even when the first refuses.
  const Resultado<void> da_fonte = verificar(espera_.encerrar(fila_.Get()));
  const Resultado<void> do_fluxo =
      fluxo ? verificar(static_cast<Fluxo*>(fluxo.Get())->encerrar_fila()) : Resultado<void>{};
  fluxo.Reset();
  if (!da_fonte) return entregar(da_fonte);
  if (!do_fluxo) return entregar(do_fluxo);
  if (registrar) Registro::escrever("Shutdown");
  return S_OK;
}

// --- IMFMediaSourceEx

HRESULT Fonte::GetSourceAttributes(IMFAttributes** ppAttributes) noexcept {
  if (ppAttributes == nullptr) return E_POINTER;
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  ComPtr<IMFAttributes> atributos = atributos_;
  *ppAttributes = atributos.Detach();
  return S_OK;
}

HRESULT Fonte::GetStreamAttributes(DWORD dwStreamIdentifier, IMFAttributes** ppAttributes) noexcept {
  if (ppAttributes == nullptr) return E_POINTER;
  if (const HRESULT hr = verificar_ativa(); FAILED(hr)) return hr;
  if (dwStreamIdentifier != IDENTIFICADOR_DO_FLUXO) return E_INVALIDARG;
  ComPtr<IMFMediaStream> fluxo;
  {
    std::scoped_lock trava(mutex_);
    fluxo = estado_.fluxo;
  }
  if (!fluxo) return E_INVALIDARG;
  ComPtr<IMFStreamDescriptor> descritor;
  if (auto r = verificar(fluxo->GetStreamDescriptor(&descritor)); !r) return entregar(r);
  ComPtr<IMFAttributes> atributos;
  if (auto r = verificar(descritor.As(&atributos)); !r) return entregar(r);
  *ppAttributes = atributos.Detach();
  return S_OK;
}

HRESULT Fonte::SetD3DManager(IUnknown* /*pManager*/) noexcept {
  Registro::escrever("SetD3DManager (ignorado \u2014 entregamos buffer de sistema)");
  return S_OK;
}

// --- Companion interfaces

HRESULT Fonte::GetService(REFGUID, REFIID, LPVOID*) noexcept { return MF_E_UNSUPPORTED_SERVICE; }

HRESULT Fonte::KsProperty(PKSPROPERTY, ULONG, LPVOID, ULONG, ULONG*) noexcept { return E_NOTIMPL; }
HRESULT Fonte::KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) noexcept { return E_NOTIMPL; }
HRESULT Fonte::KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) noexcept { return E_NOTIMPL; }

HRESULT Fonte::ActivateObject(REFIID riid, void** ppv) noexcept {
  iniciar_cano();
  return QueryInterface(riid, ppv);
}

HRESULT Fonte::ShutdownObject() noexcept { return E_NOTIMPL; }
HRESULT Fonte::DetachObject() noexcept { return E_NOTIMPL; }

}  // namespace norva
