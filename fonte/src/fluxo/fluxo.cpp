#include "fonte/src/fluxo/fluxo.h"

#include <string>
#include <utility>

#include "fonte/src/fluxo/linha_do_quadro.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/mf.h"
#include "fonte/src/plataforma/temporizador.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"

namespace norva {

using Microsoft::WRL::ComPtr;
using plataforma::entregar;
using plataforma::falha_propria;
using plataforma::Resultado;
using plataforma::verificar;

ComPtr<Fluxo> Fluxo::criar(std::shared_ptr<EstadoDoFluxo> estado, ComPtr<IMFMediaEventQueue> fila,
                           ComPtr<IMFStreamDescriptor> descritor, std::shared_ptr<Cano> cano) {
  return plataforma::adotar(
      new Fluxo(std::move(estado), std::move(fila), std::move(descritor), std::move(cano)));
}

Fluxo::Fluxo(std::shared_ptr<EstadoDoFluxo> estado, ComPtr<IMFMediaEventQueue> fila,
             ComPtr<IMFStreamDescriptor> descritor, std::shared_ptr<Cano> cano)
    : estado_(std::move(estado)),
      fila_(std::move(fila)),
      descritor_(std::move(descritor)),
      cano_(std::move(cano)) {}

void* Fluxo::consultar_interface(REFIID riid) noexcept {
  if (riid == __uuidof(IMFMediaStream2) || riid == __uuidof(IMFMediaStream) ||
      riid == __uuidof(IMFMediaEventGenerator)) {
    return static_cast<IMFMediaStream2*>(this);
  }
  return nullptr;
}

HRESULT Fluxo::encerrar_fila() noexcept { return espera_.encerrar(fila_.Get()); }

HRESULT Fluxo::GetEvent(DWORD dwFlags, IMFMediaEvent** ppEvent) noexcept {
  if (ppEvent == nullptr) return E_POINTER;
  return fila_->GetEvent(dwFlags, ppEvent);
}

HRESULT Fluxo::BeginGetEvent(IMFAsyncCallback* pCallback, IUnknown* punkState) noexcept {
  if (pCallback == nullptr) return E_POINTER;
  return espera_.comecar(fila_.Get(), pCallback, punkState);
}

HRESULT Fluxo::EndGetEvent(IMFAsyncResult* pResult, IMFMediaEvent** ppEvent) noexcept {
  if (pResult == nullptr || ppEvent == nullptr) return E_POINTER;
  return fila_->EndGetEvent(pResult, ppEvent);
}

HRESULT Fluxo::QueueEvent(MediaEventType met, REFGUID guidExtendedType, HRESULT hrStatus,
                          const PROPVARIANT* pvValue) noexcept {
  return fila_->QueueEventParamVar(met, guidExtendedType, hrStatus, pvValue);
}

HRESULT Fluxo::GetMediaSource(IMFMediaSource** ppMediaSource) noexcept {
  if (ppMediaSource == nullptr) return E_POINTER;
  ComPtr<IMFMediaSource> fonte;
  {
    std::scoped_lock trava(estado_->mutex);
    if (estado_->desligado || !estado_->fonte_de_midia) return MF_E_SHUTDOWN;
    fonte = estado_->fonte_de_midia;
  }
  *ppMediaSource = fonte.Detach();
  return S_OK;
}

HRESULT Fluxo::GetStreamDescriptor(IMFStreamDescriptor** ppStreamDescriptor) noexcept {
  if (ppStreamDescriptor == nullptr) return E_POINTER;
  {
    std::scoped_lock trava(estado_->mutex);
    if (estado_->desligado) return MF_E_SHUTDOWN;
  }
  ComPtr<IMFStreamDescriptor> descritor = descritor_;
  *ppStreamDescriptor = descritor.Detach();
  return S_OK;
}

HRESULT Fluxo::SetStreamState(MF_STREAM_STATE value) noexcept {
  std::scoped_lock trava(estado_->mutex);
  if (estado_->desligado) return MF_E_SHUTDOWN;
  estado_->rodando = value == MF_STREAM_STATE_RUNNING;
  Registro::escrever("SetStreamState(" + std::to_string(static_cast<int>(value)) +
                     ") -> rodando=" + std::string(texto_do_booleano(estado_->rodando)));
  return S_OK;
}

HRESULT Fluxo::GetStreamState(MF_STREAM_STATE* value) noexcept {
  if (value == nullptr) return E_POINTER;
  std::scoped_lock trava(estado_->mutex);
  if (estado_->desligado) return MF_E_SHUTDOWN;
  *value = estado_->rodando ? MF_STREAM_STATE_RUNNING : MF_STREAM_STATE_STOPPED;
  return S_OK;
}

Resultado<void> Fluxo::verificar_entrega() noexcept {
  std::scoped_lock trava(estado_->mutex);
  if (estado_->desligado) return std::unexpected(falha_propria(MF_E_SHUTDOWN));
  if (!estado_->rodando) return std::unexpected(falha_propria(MF_E_INVALIDREQUEST));
  return {};
}

// A pipe frame goes out at once and restarts the schedule; a bench-pattern
// frame waits for its slot in the 30-per-second schedule.
void Fluxo::aguardar_a_vez(Origem origem) noexcept {
  std::chrono::nanoseconds espera{0};
  {
    std::scoped_lock trava(mutex_do_ritmo_);
    if (origem == Origem::Cano) {
      ritmo_.reiniciar();
    } else {
      espera = ritmo_.proxima_espera(Relogio::now());
    }
  }
  plataforma::dormir(espera);
}

// Locks a buffer of the stock and has the frame supply write the frame
// straight into it: the one copy of a pipe frame, or the pattern drawn in
// place. The buffer is unlocked whatever happens.
Resultado<Origem> Fluxo::preencher(IMFMediaBuffer* buffer) noexcept {
  BYTE* destino = nullptr;
  if (auto r = verificar(buffer->Lock(&destino, nullptr, nullptr)); !r) return std::unexpected(r.error());
  const Origem origem = cano_->obter_quadro(ESPERA_MAXIMA_DO_CANO, DestinoDoQuadro(destino, TAMANHO_DO_QUADRO));
  if (auto r = verificar(buffer->Unlock()); !r) return std::unexpected(r.error());
  if (auto r = verificar(buffer->SetCurrentLength(static_cast<DWORD>(TAMANHO_DO_QUADRO))); !r) {
    return std::unexpected(r.error());
  }
  return origem;
}

// Wraps the filled buffer in a sample stamped now and queues it as MEMediaSample.
Resultado<void> Fluxo::entregar_amostra(IMFMediaBuffer* buffer, IUnknown* token) noexcept {
  auto amostra = plataforma::criar_amostra();
  if (!amostra) return std::unexpected(amostra.error());
  if (auto r = verificar((*amostra)->AddBuffer(buffer)); !r) return r;
  estoque_.guardar(buffer);
  if (auto r = verificar((*amostra)->SetSampleTime(plataforma::tempo_do_sistema())); !r) return r;
  if (auto r = verificar((*amostra)->SetSampleDuration(DURACAO_DA_AMOSTRA)); !r) return r;
  if (token != nullptr) {
    if (auto r = verificar((*amostra)->SetUnknown(plataforma::MFSampleExtension_Token, token)); !r) {
      return r;
    }
  }
  ComPtr<IUnknown> desconhecido;
  if (auto r = verificar((*amostra).As(&desconhecido)); !r) return r;
  if (!desconhecido) return std::unexpected(falha_propria(E_POINTER));
  return verificar(fila_->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, desconhecido.Get()));
}

HRESULT Fluxo::RequestSample(IUnknown* pToken) noexcept {
  // The state is looked at only here: a Stop or Shutdown while this request
  // waits for its frame does not keep it from queuing its sample.
  if (auto r = verificar_entrega(); !r) return entregar(r);
  auto buffer = estoque_.obter(static_cast<DWORD>(TAMANHO_DO_QUADRO));
  if (!buffer) return entregar(buffer.error());
  const auto origem = preencher(buffer->Get());
  if (!origem) return entregar(origem.error());
  aguardar_a_vez(*origem);
  if (auto r = entregar_amostra(buffer->Get(), pToken); !r) return entregar(r);

  const std::uint64_t n = amostras_entregues_.fetch_add(1) + 1;
  if (registra_a_amostra(n)) {
    Registro::escrever(linha_do_quadro(n, *origem, cano_->contadores()));
  }
  return S_OK;
}

}  // namespace norva
