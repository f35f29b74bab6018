// The media source through its COM interfaces, against the real Media
// Foundation: construction and its failures, the state machine and its
// events, the answers after Shutdown and the consumer's pending requests.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/quadros/teste/apoio.h"

namespace norva::teste {
namespace {

using plataforma::Operacao;

struct AtributoEsperado {
  const char* nome;
  GUID chave;
  VARTYPE tipo;  // MF_ATTRIBUTE_TYPE uses the same numbers
  UINT64 valor;
  GUID valor_guid;
};

const AtributoEsperado TIPO_ESPERADO[] = {
    {"MAJOR_TYPE", MF_MT_MAJOR_TYPE, VT_CLSID, 0, MFMediaType_Video},
    {"SUBTYPE", MF_MT_SUBTYPE, VT_CLSID, 0, MFVideoFormat_NV12},
    {"INTERLACE_MODE", MF_MT_INTERLACE_MODE, VT_UI4, 2, {}},
    {"ALL_SAMPLES_INDEPENDENT", MF_MT_ALL_SAMPLES_INDEPENDENT, VT_UI4, 1, {}},
    {"FIXED_SIZE_SAMPLES", MF_MT_FIXED_SIZE_SAMPLES, VT_UI4, 1, {}},
    {"SAMPLE_SIZE", MF_MT_SAMPLE_SIZE, VT_UI4, 3110400, {}},
    {"DEFAULT_STRIDE", MF_MT_DEFAULT_STRIDE, VT_UI4, 1920, {}},
    {"VIDEO_NOMINAL_RANGE", MF_MT_VIDEO_NOMINAL_RANGE, VT_UI4, 2, {}},
    {"FRAME_SIZE", MF_MT_FRAME_SIZE, VT_UI8, 0x78000000438ull, {}},
    {"FRAME_RATE", MF_MT_FRAME_RATE, VT_UI8, 0x1E00000001ull, {}},
    {"FRAME_RATE_RANGE_MIN", MF_MT_FRAME_RATE_RANGE_MIN, VT_UI8, 0x1E00000001ull, {}},
    {"FRAME_RATE_RANGE_MAX", MF_MT_FRAME_RATE_RANGE_MAX, VT_UI8, 0x1E00000001ull, {}},
    {"PIXEL_ASPECT_RATIO", MF_MT_PIXEL_ASPECT_RATIO, VT_UI8, 0x100000001ull, {}},
};

// The system declares these GUIDs itself: written out here from the
// published values.
const AtributoEsperado DESCRITOR_ESPERADO[] = {
    {"STREAM_ID", {0x11bd5120, 0xd124, 0x446b, {0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9}}, VT_UI4, 0, {}},
    {"STREAM_CATEGORY", {0x2939e7b8, 0xa62e, 0x4579, {0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba}}, VT_CLSID, 0,
     {0xfb6c4281, 0x0353, 0x11d1, {0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}}},
    {"FRAMESOURCE_TYPES", {0x17145fd1, 0x1b2b, 0x423c, {0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88}}, VT_UI4, 1, {}},
    {"FRAMESERVER_SHARED", {0x1cb378e9, 0xb279, 0x41d4, {0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20}}, VT_UI4, 1, {}},
};

// Every attribute of `armazem` against `esperados`: same count, kinds, values.
template <std::size_t N>
void conferir_atributos(IMFAttributes* armazem, const AtributoEsperado (&esperados)[N]) {
  UINT32 quantidade = 0;
  ASSERT_EQ(armazem->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, N);
  for (const AtributoEsperado& a : esperados) {
    PROPVARIANT v;
    PropVariantInit(&v);
    ASSERT_EQ(armazem->GetItem(a.chave, &v), S_OK) << a.nome;
    EXPECT_EQ(v.vt, a.tipo) << a.nome;
    if (v.vt == VT_CLSID) {
      EXPECT_TRUE(IsEqualGUID(*v.puuid, a.valor_guid)) << a.nome;
    } else {
      EXPECT_EQ(v.vt == VT_UI4 ? UINT64{v.ulVal} : v.uhVal.QuadPart, a.valor) << a.nome;
    }
    PropVariantClear(&v);
  }
}

const std::string LINHA_DE_CRIACAO = "fonte de mídia criada (1920x1080 NV12 30fps)";
const std::string LINHA_DO_CANO = "cano desta câmera configurado (nome omitido)";

class Construcao : public AmbienteMF {};

TEST_F(Construcao, OneSelectedNv12StreamWithExactlyTheFixedAttributesStoppedAndLoggedOnce) {
  const std::size_t criacoes = contar_mensagem(LINHA_DE_CRIACAO);
  const std::size_t canos = contar_mensagem(LINHA_DO_CANO);
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  EXPECT_EQ(contar_mensagem(LINHA_DE_CRIACAO), criacoes + 1);
  EXPECT_EQ(contar_mensagem(LINHA_DO_CANO), canos) << "the pipe is not configured yet";

  ComPtr<IMFPresentationDescriptor> apresentacao;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&apresentacao), S_OK);
  DWORD fluxos = 0;
  ASSERT_EQ(apresentacao->GetStreamDescriptorCount(&fluxos), S_OK);
  EXPECT_EQ(fluxos, 1u);
  BOOL selecionado = FALSE;
  ComPtr<IMFStreamDescriptor> descritor;
  ASSERT_EQ(apresentacao->GetStreamDescriptorByIndex(0, &selecionado, &descritor), S_OK);
  EXPECT_TRUE(selecionado);
  DWORD identificador = 99;
  ASSERT_EQ(descritor->GetStreamIdentifier(&identificador), S_OK);
  EXPECT_EQ(identificador, 0u);
  ComPtr<IMFMediaTypeHandler> manipulador;
  ASSERT_EQ(descritor->GetMediaTypeHandler(&manipulador), S_OK);
  DWORD quantos_tipos = 0;
  ASSERT_EQ(manipulador->GetMediaTypeCount(&quantos_tipos), S_OK);
  EXPECT_EQ(quantos_tipos, 1u);
  ComPtr<IMFMediaType> atual, unico;
  ASSERT_EQ(manipulador->GetCurrentMediaType(&atual), S_OK);
  ASSERT_EQ(manipulador->GetMediaTypeByIndex(0, &unico), S_OK);
  EXPECT_EQ(atual.Get(), unico.Get());
  conferir_atributos(atual.Get(), TIPO_ESPERADO);

  // One attribute store, empty, behind both IMFAttributes and GetSourceAttributes.
  ComPtr<IMFAttributes> armazem, pela_fonte, do_fluxo;
  ASSERT_EQ(fonte->GetSourceAttributes(&armazem), S_OK);
  UINT32 quantidade = 9;
  ASSERT_EQ(armazem->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 0u);
  ASSERT_EQ(fonte.As(&pela_fonte), S_OK);
  EXPECT_NE(armazem.Get(), pela_fonte.Get());
  ASSERT_EQ(pela_fonte->SetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, 3), S_OK);
  ASSERT_EQ(armazem->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 1u);
  // GetStreamAttributes: the stream descriptor's store, for stream 0 only.
  EXPECT_EQ(fonte->GetStreamAttributes(1, &do_fluxo), E_INVALIDARG);
  ASSERT_EQ(fonte->GetStreamAttributes(0, &do_fluxo), S_OK);
  conferir_atributos(do_fluxo.Get(), DESCRITOR_ESPERADO);
  DWORD caracteristicas = 0;
  ASSERT_EQ(fonte->GetCharacteristics(&caracteristicas), S_OK);
  EXPECT_EQ(caracteristicas, 1u);
  EXPECT_EQ(fonte->GetCharacteristics(nullptr), E_POINTER);
  EXPECT_EQ(fonte->CreatePresentationDescriptor(nullptr), E_POINTER);
  EXPECT_EQ(fonte->GetSourceAttributes(nullptr), E_POINTER);

  ComPtr<IMFMediaSource> de_volta;
  ASSERT_EQ(fonte_de(fonte.Get())->fluxo()->GetMediaSource(&de_volta), S_OK);
  EXPECT_EQ(static_cast<void*>(de_volta.Get()), static_cast<void*>(fonte.Get()));
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

// Failure of the Nth call of a creation step: construction returns its
// HRESULT, logs nothing and leaves no source or stream behind. (The
// stream's queue, the second, is the factory test's failing step.)
struct CasoDeFalha {
  const char* nome;
  Operacao operacao;
  std::uint32_t chamada;
};
void PrintTo(const CasoDeFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaNaConstrucao : public AmbienteMF, public ::testing::WithParamInterface<CasoDeFalha> {};

TEST_P(FalhaNaConstrucao, ReturnsTheHresultAndReleasesEverythingMadeSoFar) {
  const std::size_t criacoes = contar_mensagem(LINHA_DE_CRIACAO);
  plataforma::teste::falhar_na_chamada(GetParam().operacao, GetParam().chamada, E_OUTOFMEMORY);
  auto fonte = Fonte::criar();
  ASSERT_FALSE(fonte.has_value());
  EXPECT_EQ(fonte.error().hr, E_OUTOFMEMORY);
  EXPECT_EQ(contar_mensagem(LINHA_DE_CRIACAO), criacoes);
  // TearDown checks that no source and no stream is left alive.
}

INSTANTIATE_TEST_SUITE_P(Tabela, FalhaNaConstrucao,
                         ::testing::Values(CasoDeFalha{"MediaType", Operacao::MFCreateMediaType, 1},
                                           CasoDeFalha{"StreamDescriptor", Operacao::MFCreateStreamDescriptor, 1},
                                           CasoDeFalha{"SourceQueue", Operacao::MFCreateEventQueue, 1},
                                           CasoDeFalha{"Attributes", Operacao::MFCreateAttributes, 1},
                                           CasoDeFalha{"PresentationDescriptor",
                                                       Operacao::MFCreatePresentationDescriptor, 1}),
                         [](const auto& info) { return std::string(info.param.nome); });

class Eventos : public AmbienteComFonte {};

TEST_F(Eventos, RefusedStartsThenStopStartStopStartQueueTheirEventsInOrderOnBothQueues) {
  IMFMediaSourceEx* fonte = fonte_.Get();
  IMFMediaStream* fluxo = fluxo_.Get();
  // Refused Starts still start the frame supply (only the first configures);
  // Pause is refused. None of them queues anything or changes the state.
  const std::size_t canos = contar_mensagem(LINHA_DO_CANO);
  EXPECT_EQ(fonte->Start(nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(contar_mensagem(LINHA_DO_CANO), canos + 1) << "the frame supply was started";
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  const GUID outro_formato = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(fonte->Start(descritor.Get(), &outro_formato, nullptr), MF_E_UNSUPPORTED_TIME_FORMAT);
  EXPECT_EQ(contar_mensagem(LINHA_DO_CANO), canos + 1);
  EXPECT_EQ(fonte->Pause(), MF_E_INVALID_STATE_TRANSITION);
  EXPECT_TRUE(drenar(fonte).empty());
  EXPECT_EQ(fonte_de(fonte)->retrato().situacao, SituacaoDaFonte::Parada);

  const std::string primeira = "Start: fonte rodando (primeira_vez=true)";
  const std::string seguinte = "Start: fonte rodando (primeira_vez=false)";
  const std::size_t primeiras = contar_mensagem(primeira), seguintes = contar_mensagem(seguinte);
  const std::size_t paradas = contar_mensagem("Stop");
  const auto parar = [&] {
    ASSERT_EQ(fonte->Stop(), S_OK);
    EXPECT_EQ(tipos(drenar(fluxo)), (std::vector<MediaEventType>{MEStreamStopped}));
    EXPECT_EQ(tipos(drenar(fonte)), (std::vector<MediaEventType>{MESourceStopped}));
    EXPECT_FALSE(fonte_de(fonte)->retrato().fluxo_rodando);
  };
  parar();  // even on a source never started

  iniciar(fonte);
  const auto da_fonte = drenar(fonte);
  ASSERT_EQ(tipos(da_fonte), (std::vector<MediaEventType>{MENewStream, MESourceStarted}));
  ASSERT_EQ(da_fonte[0].vt, VT_UNKNOWN);
  // Exactly the IMFMediaStream pointer: consumers call through it as it is.
  EXPECT_EQ(da_fonte[0].objeto.Get(), static_cast<IUnknown*>(fluxo));
  EXPECT_EQ(da_fonte[1].vt, VT_EMPTY);
  for (const Evento& e : da_fonte) EXPECT_EQ(e.status, S_OK);
  const auto do_fluxo = drenar(fluxo);
  ASSERT_EQ(tipos(do_fluxo), (std::vector<MediaEventType>{MEStreamStarted}));
  EXPECT_EQ(do_fluxo[0].vt, VT_EMPTY);
  EXPECT_EQ(contar_mensagem(primeira), primeiras + 1);
  EXPECT_TRUE(fonte_de(fonte)->retrato().fluxo_rodando);
  parar();
  EXPECT_EQ(contar_mensagem("Stop"), paradas + 2);

  PROPVARIANT posicao;
  PropVariantInit(&posicao);
  posicao.vt = VT_I8;
  posicao.hVal.QuadPart = 12345;
  ASSERT_EQ(fonte->Start(descritor.Get(), &GUID_NULL, &posicao), S_OK);
  const auto de_novo = drenar(fonte);
  ASSERT_EQ(tipos(de_novo), (std::vector<MediaEventType>{MEUpdatedStream, MESourceStarted}));
  EXPECT_EQ(de_novo[0].objeto.Get(), static_cast<IUnknown*>(fluxo));
  EXPECT_EQ(de_novo[1].vt, VT_I8) << "the start position is passed on";
  const auto fluxo_de_novo = drenar(fluxo);
  ASSERT_EQ(tipos(fluxo_de_novo), (std::vector<MediaEventType>{MEStreamStarted}));
  EXPECT_EQ(fluxo_de_novo[0].vt, VT_I8);
  EXPECT_EQ(contar_mensagem(seguinte), seguintes + 1);
  EXPECT_EQ(contar_mensagem(primeira), primeiras + 1);
}

// Whatever the stream's state, a Start with stream 0 deselected leaves it as
// it is, queues nothing on the stream, and answers MESourceStarted with the
// start position after its log line. (The start in between uses a new
// descriptor, with stream 0 selected: each call gives an independent clone.)
TEST_F(Eventos, StartWithStreamZeroDeselectedQueuesOnlySourceStartedAndLeavesTheStream) {
  const std::string linha = "Start com o fluxo 0 deselecionado — nada a iniciar";
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte_->CreatePresentationDescriptor(&descritor), S_OK);
  ASSERT_EQ(descritor->DeselectStream(0), S_OK);
  PROPVARIANT posicao;
  PropVariantInit(&posicao);
  posicao.vt = VT_I8;
  posicao.hVal.QuadPart = 777;
  for (const bool rodando : {false, true}) {
    SCOPED_TRACE(rodando ? "running" : "never started");
    if (rodando) {
      iniciar(fonte_.Get());
      drenar(fonte_.Get());
      drenar(fluxo_.Get());
    }
    const std::size_t antes = contar_mensagem(linha);
    ASSERT_EQ(fonte_->Start(descritor.Get(), nullptr, rodando ? &posicao : nullptr), S_OK);
    EXPECT_EQ(contar_mensagem(linha), antes + 1);
    const auto da_fonte = drenar(fonte_.Get());
    ASSERT_EQ(tipos(da_fonte), (std::vector<MediaEventType>{MESourceStarted}));
    EXPECT_EQ(da_fonte[0].status, S_OK);
    EXPECT_EQ(da_fonte[0].vt, rodando ? VT_I8 : VT_EMPTY);
    EXPECT_TRUE(drenar(fluxo_.Get()).empty());
    MF_STREAM_STATE estado{};
    ASSERT_EQ(fluxo2_->GetStreamState(&estado), S_OK);
    EXPECT_EQ(estado, rodando ? MF_STREAM_STATE_RUNNING : MF_STREAM_STATE_STOPPED);
    EXPECT_EQ(fonte_de(fonte_.Get())->retrato().situacao, SituacaoDaFonte::Rodando);
  }
}

class DepoisDoShutdown : public AmbienteComFonte {};

TEST_F(DepoisDoShutdown, EverySourceAndStreamMethodAnswersAsTheStateMachineSays) {
  IMFMediaSourceEx* fonte = fonte_.Get();
  IMFMediaStream* fluxo = fluxo_.Get();
  IMFMediaStream2* fluxo2 = fluxo2_.Get();
  ComPtr<IMFAttributes> atributos;
  ASSERT_EQ(fonte_.As(&atributos), S_OK);
  ASSERT_EQ(atributos->SetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, 7), S_OK);
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);

  const MarcaDoRegistro marca;
  ASSERT_EQ(fonte->Shutdown(), S_OK);
  ASSERT_EQ(fonte->Shutdown(), S_OK);

  struct Chamada {
    const char* nome;
    HRESULT esperado;
    HRESULT obtido;
  };
  DWORD caracteristicas = 0;
  ComPtr<IMFPresentationDescriptor> copia;
  ComPtr<IMFAttributes> da_fonte, do_fluxo;
  ComPtr<IMFMediaEvent> evento;
  ComPtr<IMFMediaSource> de_volta;
  ComPtr<IMFStreamDescriptor> descritor_do_fluxo;
  MF_STREAM_STATE estado = MF_STREAM_STATE_STOPPED;
  const Chamada chamadas[] = {
      {"Start", MF_E_SHUTDOWN, fonte->Start(descritor.Get(), nullptr, nullptr)},
      {"Stop", MF_E_SHUTDOWN, fonte->Stop()},
      {"GetCharacteristics", MF_E_SHUTDOWN, fonte->GetCharacteristics(&caracteristicas)},
      {"CreatePresentationDescriptor", MF_E_SHUTDOWN, fonte->CreatePresentationDescriptor(&copia)},
      {"GetSourceAttributes", MF_E_SHUTDOWN, fonte->GetSourceAttributes(&da_fonte)},
      {"GetStreamAttributes", MF_E_SHUTDOWN, fonte->GetStreamAttributes(0, &do_fluxo)},
      {"Pause", MF_E_INVALID_STATE_TRANSITION, fonte->Pause()},
      {"SetD3DManager", S_OK, fonte->SetD3DManager(nullptr)},
      {"source GetEvent", MF_E_SHUTDOWN, fonte->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento)},
      {"source QueueEvent", MF_E_SHUTDOWN, fonte->QueueEvent(MEUnknown, GUID_NULL, S_OK, nullptr)},
      {"stream RequestSample", MF_E_SHUTDOWN, fluxo->RequestSample(nullptr)},
      {"stream GetMediaSource", MF_E_SHUTDOWN, fluxo->GetMediaSource(&de_volta)},
      {"stream GetStreamDescriptor", MF_E_SHUTDOWN, fluxo->GetStreamDescriptor(&descritor_do_fluxo)},
      {"stream GetStreamState", MF_E_SHUTDOWN, fluxo2->GetStreamState(&estado)},
      {"stream SetStreamState", MF_E_SHUTDOWN, fluxo2->SetStreamState(MF_STREAM_STATE_RUNNING)},
      {"stream QueueEvent", MF_E_SHUTDOWN, fluxo->QueueEvent(MEUnknown, GUID_NULL, S_OK, nullptr)},
      {"stream GetEvent", MF_E_SHUTDOWN, fluxo->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento)},
  };
  for (const Chamada& c : chamadas) EXPECT_EQ(c.obtido, c.esperado) << c.nome;
  EXPECT_EQ(caracteristicas, 0u);
  EXPECT_EQ(copia, nullptr);
  EXPECT_EQ(marca.novas(), (std::vector<std::string>{"Shutdown", "SetD3DManager (ignorado — entregamos buffer de sistema)"}))
      << "a second Shutdown and the refused calls log nothing";
  UINT32 lido = 0;
  EXPECT_EQ(atributos->GetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, &lido), S_OK);
  EXPECT_EQ(lido, 7u) << "the store still answers";
  const Fonte::Retrato r = fonte_de(fonte)->retrato();
  EXPECT_EQ(r.situacao, SituacaoDaFonte::Desligada);
  EXPECT_FALSE(r.tem_fluxo || r.tem_descritor);
  // TearDown checks that releasing these last references frees both objects,
  // which only Shutdown's breaking of the source <-> stream cycle allows.
}

// A consumer's BeginGetEvent left pending on a queue.
class PedidoPendente final : public plataforma::ObjetoCom<PedidoPendente, IMFAsyncCallback> {
 public:
  explicit PedidoPendente(IMFMediaEventGenerator* gerador) : gerador_(gerador) {}
  void* consultar_interface(REFIID riid) noexcept {
    return riid == __uuidof(IMFAsyncCallback) ? static_cast<IMFAsyncCallback*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE GetParameters(DWORD*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult* resultado) noexcept override {
    ComPtr<IMFMediaEvent> evento;
    fim_ = gerador_->EndGetEvent(resultado, &evento);
    ++invocacoes_;
    return S_OK;
  }
  ULONG referencias() {
    AddRef();
    return Release();
  }

  IMFMediaEventGenerator* gerador_;  // the test keeps it alive
  std::atomic<int> invocacoes_{0};
  std::atomic<HRESULT> fim_{S_OK};
};

// Shutdown shuts the source's queue, then the stream's: a request pending on
// either is invoked once, its EndGetEvent answers MF_E_SHUTDOWN, and the
// queue lets go of it; later requests are refused.
class PedidoNaFila : public AmbienteComFonte, public ::testing::WithParamInterface<bool> {};

TEST_P(PedidoNaFila, APendingRequestIsInvokedAndReleasedByShutdown) {
  IMFMediaEventGenerator* gerador = GetParam() ? static_cast<IMFMediaEventGenerator*>(fluxo_.Get())
                                               : static_cast<IMFMediaEventGenerator*>(fonte_.Get());
  ComPtr<PedidoPendente> pedido = plataforma::adotar(new PedidoPendente(gerador));
  ASSERT_EQ(gerador->BeginGetEvent(pedido.Get(), nullptr), S_OK);
  EXPECT_GT(pedido->referencias(), 1u) << "the queue holds the pending request";
  ASSERT_EQ(fonte_->Shutdown(), S_OK);
  EXPECT_TRUE(esperar_ate([&] { return pedido->referencias() == 1; })) << "released by the queue";
  EXPECT_EQ(pedido->invocacoes_, 1);
  EXPECT_EQ(pedido->fim_, MF_E_SHUTDOWN);
  EXPECT_EQ(gerador->BeginGetEvent(pedido.Get(), nullptr), MF_E_SHUTDOWN);
}

INSTANTIATE_TEST_SUITE_P(Filas, PedidoNaFila, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stream" : "Source"; });

}  // namespace
}  // namespace norva::teste
