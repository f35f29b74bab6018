// Fonte: the media source (IMFMediaSourceEx) with its one stream, and the
// companion interfaces a camera stack expects (IMFActivate over the source's
// attribute store, IMFGetService and IKsControl, which only refuse).
//
// Source and stream keep each other alive (EstadoDaFonte::fluxo one way,
// EstadoDoFluxo::fonte_de_midia the other) until Shutdown breaks both links.
//
// Locks: `mutex_` guards `estado_`; the stream's EstadoDoFluxo has its own.
// A method never holds both: it copies what it needs out of EstadoDaFonte,
// unlocks, then locks EstadoDoFluxo. No lock is held around an event queue,
// the stream, Cano or the log.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <wrl/client.h>

#include "fonte/src/fonte/estado_da_fonte.h"
#include "fonte/src/plataforma/atributos.h"
#include "fonte/src/plataforma/espera_de_evento.h"
#include "fonte/src/plataforma/falha.h"
#include "fonte/src/plataforma/objeto_com.h"
#include "fonte/src/quadros/cano.h"

namespace norva {

class Fonte final
    : public plataforma::ObjetoCom<Fonte, IMFMediaSourceEx, IMFGetService, IKsControl,
                                   plataforma::DelegacaoDeAtributos<IMFActivate>> {
 public:
  // Builds a complete source, not started, with one reference (the caller's).
  // The body of the class factory's CreateInstance.
  static plataforma::Resultado<Microsoft::WRL::ComPtr<IMFMediaSourceEx>> criar() noexcept;
  // The same around a given frame supply (tests read its counters).
  static plataforma::Resultado<Microsoft::WRL::ComPtr<IMFMediaSourceEx>> criar(std::shared_ptr<Cano> cano) noexcept;

  // Quietly breaks the source <-> stream cycle of a source that no consumer
  // will ever see (CreateInstance whose final QueryInterface failed), so the
  // caller's release frees both. Logs nothing.
  static void descartar(IMFMediaSourceEx* fonte) noexcept;

  // What a test may look at without going through COM.
  struct Retrato {
    SituacaoDaFonte situacao;
    bool ja_iniciada;
    bool tem_fluxo;
    bool tem_descritor;
    bool fluxo_rodando;
    bool fluxo_desligado;
    bool fluxo_tem_fonte;
  };
  Retrato retrato() noexcept;
  // The stream while the source holds it (empty after Shutdown); consumers
  // get it from the MENewStream event instead.
  Microsoft::WRL::ComPtr<IMFMediaStream> fluxo() noexcept;

  void* consultar_interface(REFIID riid) noexcept;

  // IMFMediaEventGenerator
  HRESULT STDMETHODCALLTYPE GetEvent(DWORD dwFlags, IMFMediaEvent** ppEvent) noexcept override;
  HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* pCallback,
                                          IUnknown* punkState) noexcept override;
  HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* pResult,
                                        IMFMediaEvent** ppEvent) noexcept override;
  HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType met, REFGUID guidExtendedType,
                                       HRESULT hrStatus,
                                       const PROPVARIANT* pvValue) noexcept override;
  // IMFMediaSource
  HRESULT STDMETHODCALLTYPE GetCharacteristics(DWORD* pdwCharacteristics) noexcept override;
  HRESULT STDMETHODCALLTYPE CreatePresentationDescriptor(
      IMFPresentationDescriptor** ppPresentationDescriptor) noexcept override;
  HRESULT STDMETHODCALLTYPE Start(IMFPresentationDescriptor* pPresentationDescriptor,
                                  const GUID* pguidTimeFormat,
                                  const PROPVARIANT* pvarStartPosition) noexcept override;
  HRESULT STDMETHODCALLTYPE Stop() noexcept override;
  HRESULT STDMETHODCALLTYPE Pause() noexcept override;
  HRESULT STDMETHODCALLTYPE Shutdown() noexcept override;
  // IMFMediaSourceEx
  HRESULT STDMETHODCALLTYPE GetSourceAttributes(IMFAttributes** ppAttributes) noexcept override;
  HRESULT STDMETHODCALLTYPE GetStreamAttributes(DWORD dwStreamIdentifier,
                                                IMFAttributes** ppAttributes) noexcept override;
  HRESULT STDMETHODCALLTYPE SetD3DManager(IUnknown* pManager) noexcept override;
  // IMFGetService
  HRESULT STDMETHODCALLTYPE GetService(REFGUID guidService, REFIID riid,
                                       LPVOID* ppvObject) noexcept override;
  // IKsControl
  HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                       LPVOID PropertyData, ULONG DataLength,
                                       ULONG* BytesReturned) noexcept override;
  HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD Method, ULONG MethodLength, LPVOID MethodData,
                                     ULONG DataLength, ULONG* BytesReturned) noexcept override;
  HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT Event, ULONG EventLength, LPVOID EventData,
                                    ULONG DataLength, ULONG* BytesReturned) noexcept override;
  // IMFActivate (the IMFAttributes methods come from DelegacaoDeAtributos)
  HRESULT STDMETHODCALLTYPE ActivateObject(REFIID riid, void** ppv) noexcept override;
  HRESULT STDMETHODCALLTYPE ShutdownObject() noexcept override;
  HRESULT STDMETHODCALLTYPE DetachObject() noexcept override;

 protected:
  IMFAttributes* armazem_de_atributos() const noexcept override { return atributos_.Get(); }

 private:
  Fonte(Microsoft::WRL::ComPtr<IMFMediaEventQueue> fila,
        Microsoft::WRL::ComPtr<IMFAttributes> atributos, std::shared_ptr<Cano> cano);
  ~Fonte() override = default;
  friend class plataforma::ObjetoCom<Fonte, IMFMediaSourceEx, IMFGetService, IKsControl,
                                     plataforma::DelegacaoDeAtributos<IMFActivate>>;

  HRESULT verificar_ativa() noexcept;
  void iniciar_cano() noexcept;
  HRESULT encerrar(bool registrar) noexcept;

  std::mutex mutex_;  // guards estado_
  EstadoDaFonte estado_;
  const Microsoft::WRL::ComPtr<IMFMediaEventQueue> fila_;
  plataforma::EsperaDeEvento espera_;  // the consumer's pending BeginGetEvent on fila_
  const Microsoft::WRL::ComPtr<IMFAttributes> atributos_;
  const std::shared_ptr<Cano> cano_;
};

// The camera's friendly name from the source's attribute store, as UTF-8;
// absent when missing, not a string, empty or not valid UTF-16.
std::optional<std::string> ler_nome_amigavel(IMFAttributes* atributos) noexcept;

}  // namespace norva
