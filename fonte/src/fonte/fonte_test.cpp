// The media source through its COM interfaces, against the real Media
// Foundation: construction, the state machine and its events, the answers
// after Shutdown, the companion interfaces, the friendly name and the pipe,
// failure injection and lifetime.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/injecao.h"

namespace norva::teste {
namespace {

using plataforma::Operacao;

// GUIDs written out here from the published values, not taken from headers.
constexpr GUID guid(unsigned long a, unsigned short b, unsigned short c, unsigned char d0,
                    unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4,
                    unsigned char d5, unsigned char d6, unsigned char d7) {
  return GUID{a, b, c, {d0, d1, d2, d3, d4, d5, d6, d7}};
}

enum class Tipo { Guid, Uint32, Uint64 };
struct AtributoEsperado {
  const char* nome;
  GUID chave;
  Tipo tipo;
  GUID valor_guid;
  UINT64 valor;
};

const AtributoEsperado TIPO_ESPERADO[] = {
    {"MF_MT_MAJOR_TYPE", guid(0x48eba18e, 0xf8c9, 0x4687, 0xbf, 0x11, 0x0a, 0x74, 0xc9, 0xf9, 0x6a, 0x8f), Tipo::Guid,
     guid(0x73646976, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71), 0},
    {"MF_MT_SUBTYPE", guid(0xf7e34c9a, 0x42e8, 0x4714, 0xb7, 0x4b, 0xcb, 0x29, 0xd7, 0x2c, 0x35, 0xe5), Tipo::Guid,
     guid(0x3231564e, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71), 0},
    {"MF_MT_INTERLACE_MODE", guid(0xe2724bb8, 0xe676, 0x4806, 0xb4, 0xb2, 0xa8, 0xd6, 0xef, 0xb4, 0x4c, 0xcd), Tipo::Uint32, {}, 2},
    {"MF_MT_ALL_SAMPLES_INDEPENDENT", guid(0xc9173739, 0x5e56, 0x461c, 0xb7, 0x13, 0x46, 0xfb, 0x99, 0x5c, 0xb9, 0x5f), Tipo::Uint32, {}, 1},
    {"MF_MT_FIXED_SIZE_SAMPLES", guid(0xb8ebefaf, 0xb718, 0x4e04, 0xb0, 0xa9, 0x11, 0x67, 0x75, 0xe3, 0x32, 0x1b), Tipo::Uint32, {}, 1},
    {"MF_MT_SAMPLE_SIZE", guid(0xdad3ab78, 0x1990, 0x408b, 0xbc, 0xe2, 0xeb, 0xa6, 0x73, 0xda, 0xcc, 0x10), Tipo::Uint32, {}, 3110400},
    {"MF_MT_DEFAULT_STRIDE", guid(0x644b4e48, 0x1e02, 0x4516, 0xb0, 0xeb, 0xc0, 0x1c, 0xa9, 0xd4, 0x9a, 0xc6), Tipo::Uint32, {}, 1920},
    {"MF_MT_VIDEO_NOMINAL_RANGE", guid(0xc21b8ee5, 0xb956, 0x4071, 0x8d, 0xaf, 0x32, 0x5e, 0xdf, 0x5c, 0xab, 0x11), Tipo::Uint32, {}, 2},
    {"MF_MT_FRAME_SIZE", guid(0x1652c33d, 0xd6b2, 0x4012, 0xb8, 0x34, 0x72, 0x03, 0x08, 0x49, 0xa3, 0x7d), Tipo::Uint64, {}, 0x78000000438ull},
    {"MF_MT_FRAME_RATE", guid(0xc459a2e8, 0x3d2c, 0x4e44, 0xb1, 0x32, 0xfe, 0xe5, 0x15, 0x6c, 0x7b, 0xb0), Tipo::Uint64, {}, 0x1E00000001ull},
    {"MF_MT_FRAME_RATE_RANGE_MIN", guid(0xd2e7558c, 0xdc1f, 0x403f, 0x9a, 0x72, 0xd2, 0x8b, 0xb1, 0xeb, 0x3b, 0x5e), Tipo::Uint64, {}, 0x1E00000001ull},
    {"MF_MT_FRAME_RATE_RANGE_MAX", guid(0xe3371d41, 0xb4cf, 0x4a05, 0xbd, 0x4e, 0x20, 0xb8, 0x8b, 0xb2, 0xc4, 0xd6), Tipo::Uint64, {}, 0x1E00000001ull},
    {"MF_MT_PIXEL_ASPECT_RATIO", guid(0xc6376a1e, 0x8d0a, 0x4027, 0xbe, 0x45, 0x6d, 0x9a, 0x0a, 0xd3, 0x9b, 0xb6), Tipo::Uint64, {}, 0x100000001ull},
};

const AtributoEsperado DESCRITOR_ESPERADO[] = {
    {"MF_DEVICESTREAM_STREAM_ID", guid(0x11bd5120, 0xd124, 0x446b, 0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9), Tipo::Uint32, {}, 0},
    {"MF_DEVICESTREAM_STREAM_CATEGORY", guid(0x2939e7b8, 0xa62e, 0x4579, 0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba), Tipo::Guid,
     guid(0xfb6c4281, 0x0353, 0x11d1, 0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba), 0},
    {"MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES", guid(0x17145fd1, 0x1b2b, 0x423c, 0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88), Tipo::Uint32, {}, 1},
    {"MF_DEVICESTREAM_FRAMESERVER_SHARED", guid(0x1cb378e9, 0xb279, 0x41d4, 0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20), Tipo::Uint32, {}, 1},
};

// Reads every attribute of `armazem` against `esperados`: same count, kinds, values.
template <std::size_t N>
void conferir_atributos(IMFAttributes* armazem, const AtributoEsperado (&esperados)[N]) {
  UINT32 quantidade = 0;
  ASSERT_EQ(armazem->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, N);
  for (const AtributoEsperado& a : esperados) {
    MF_ATTRIBUTE_TYPE tipo{};
    ASSERT_EQ(armazem->GetItemType(a.chave, &tipo), S_OK) << a.nome;
    switch (a.tipo) {
      case Tipo::Guid: {
        EXPECT_EQ(tipo, MF_ATTRIBUTE_GUID) << a.nome;
        GUID v{};
        ASSERT_EQ(armazem->GetGUID(a.chave, &v), S_OK) << a.nome;
        EXPECT_TRUE(IsEqualGUID(v, a.valor_guid)) << a.nome;
        break;
      }
      case Tipo::Uint32: {
        EXPECT_EQ(tipo, MF_ATTRIBUTE_UINT32) << a.nome;
        UINT32 v = 0;
        ASSERT_EQ(armazem->GetUINT32(a.chave, &v), S_OK) << a.nome;
        EXPECT_EQ(v, a.valor) << a.nome;
        break;
      }
      case Tipo::Uint64: {
        EXPECT_EQ(tipo, MF_ATTRIBUTE_UINT64) << a.nome;
        UINT64 v = 0;
        ASSERT_EQ(armazem->GetUINT64(a.chave, &v), S_OK) << a.nome;
        EXPECT_EQ(v, a.valor) << a.nome;
        break;
      }
    }
  }
}

const std::string LINHA_DE_CRIACAO = "fonte de mídia criada (1920x1080 NV12 30fps)";
const std::string LINHA_DO_CANO = "cano desta câmera configurado (nome omitido)";

class Construcao : public AmbienteMF {};

TEST_F(Construcao, OffersOneSelectedNv12StreamWithExactlyTheFixedAttributes) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
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
  DWORD tipos = 0;
  ASSERT_EQ(manipulador->GetMediaTypeCount(&tipos), S_OK);
  EXPECT_EQ(tipos, 1u);
  ComPtr<IMFMediaType> atual;
  ASSERT_EQ(manipulador->GetCurrentMediaType(&atual), S_OK);
  ComPtr<IMFMediaType> unico;
  ASSERT_EQ(manipulador->GetMediaTypeByIndex(0, &unico), S_OK);
  EXPECT_EQ(atual.Get(), unico.Get());
  {
    SCOPED_TRACE("media type");
    conferir_atributos(atual.Get(), TIPO_ESPERADO);
  }
  {
    SCOPED_TRACE("stream descriptor");
    ComPtr<IMFAttributes> atributos;
    ASSERT_EQ(descritor.As(&atributos), S_OK);
    conferir_atributos(atributos.Get(), DESCRITOR_ESPERADO);
  }
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(Construcao, StartsEmptyStoppedLogsOneLineAndStartsNoFrameSupply) {
  const std::size_t criacoes = vezes_no_registro(LINHA_DE_CRIACAO);
  const std::size_t canos = vezes_no_registro(LINHA_DO_CANO);
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  EXPECT_EQ(vezes_no_registro(LINHA_DE_CRIACAO), criacoes + 1);
  EXPECT_EQ(vezes_no_registro(LINHA_DO_CANO), canos) << "the pipe is not configured yet";

  ComPtr<IMFAttributes> atributos;
  ASSERT_EQ(fonte->GetSourceAttributes(&atributos), S_OK);
  UINT32 quantidade = 9;
  ASSERT_EQ(atributos->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 0u);

  const Fonte::Retrato r = fonte_de(fonte.Get())->retrato();
  EXPECT_EQ(r.situacao, SituacaoDaFonte::Parada);
  EXPECT_FALSE(r.ja_iniciada);
  EXPECT_TRUE(r.tem_fluxo);
  EXPECT_TRUE(r.tem_descritor);
  EXPECT_FALSE(r.fluxo_rodando);
  EXPECT_FALSE(r.fluxo_desligado);
  EXPECT_TRUE(r.fluxo_tem_fonte);

  DWORD caracteristicas = 0;
  ASSERT_EQ(fonte->GetCharacteristics(&caracteristicas), S_OK);
  EXPECT_EQ(caracteristicas, 1u);
  EXPECT_EQ(fonte->GetCharacteristics(nullptr), E_POINTER);
  EXPECT_EQ(fonte->CreatePresentationDescriptor(nullptr), E_POINTER);
  EXPECT_EQ(fonte->GetSourceAttributes(nullptr), E_POINTER);
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(Construcao, PresentationDescriptorsAreIndependentClones) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  ComPtr<IMFPresentationDescriptor> primeiro, segundo, terceiro;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&primeiro), S_OK);
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&segundo), S_OK);
  EXPECT_NE(primeiro.Get(), segundo.Get());
  ASSERT_EQ(primeiro->DeselectStream(0), S_OK);
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&terceiro), S_OK);
  for (IMFPresentationDescriptor* outro : {segundo.Get(), terceiro.Get()}) {
    BOOL selecionado = FALSE;
    ComPtr<IMFStreamDescriptor> descritor;
    ASSERT_EQ(outro->GetStreamDescriptorByIndex(0, &selecionado, &descritor), S_OK);
    EXPECT_TRUE(selecionado);
  }
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

// Failure of the Nth call of a creation step: construction returns its
// HRESULT, logs nothing and leaves no source or stream behind.
struct CasoDeFalha {
  const char* nome;
  Operacao operacao;
  std::uint32_t chamada;
};
void PrintTo(const CasoDeFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaNaConstrucao : public AmbienteMF, public ::testing::WithParamInterface<CasoDeFalha> {};

TEST_P(FalhaNaConstrucao, ReturnsTheHresultAndReleasesEverythingMadeSoFar) {
  const std::size_t criacoes = vezes_no_registro(LINHA_DE_CRIACAO);
  plataforma::teste::falhar_na_chamada(GetParam().operacao, GetParam().chamada, E_OUTOFMEMORY);
  auto fonte = Fonte::criar();
  ASSERT_FALSE(fonte.has_value());
  EXPECT_EQ(fonte.error().hr, E_OUTOFMEMORY);
  EXPECT_EQ(vezes_no_registro(LINHA_DE_CRIACAO), criacoes);
  // TearDown checks that no source and no stream is left alive.
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, FalhaNaConstrucao,
    ::testing::Values(CasoDeFalha{"MediaType", Operacao::MFCreateMediaType, 1},
                      CasoDeFalha{"StreamDescriptor", Operacao::MFCreateStreamDescriptor, 1},
                      CasoDeFalha{"SourceQueue", Operacao::MFCreateEventQueue, 1},
                      CasoDeFalha{"StreamQueue", Operacao::MFCreateEventQueue, 2},
                      CasoDeFalha{"Attributes", Operacao::MFCreateAttributes, 1},
                      CasoDeFalha{"PresentationDescriptor", Operacao::MFCreatePresentationDescriptor, 1}),
    [](const auto& info) { return std::string(info.param.nome); });

class Eventos : public AmbienteMF {};

TEST_F(Eventos, StartStopStartQueueTheirEventsInOrderOnBothQueues) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "eventos");
  ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
  const std::size_t primeiras = vezes_no_registro("Start: fonte rodando (primeira_vez=true)");
  const std::size_t seguintes = vezes_no_registro("Start: fonte rodando (primeira_vez=false)");
  const std::size_t paradas = vezes_no_registro("Stop");

  iniciar(fonte.Get());
  const auto da_fonte = drenar(fonte.Get());
  ASSERT_EQ(tipos(da_fonte), (std::vector<MediaEventType>{MENewStream, MESourceStarted}));
  ASSERT_EQ(da_fonte[0].vt, VT_UNKNOWN);
  // Exactly the IMFMediaStream pointer: consumers call through it as it is.
  EXPECT_EQ(da_fonte[0].objeto.Get(), static_cast<IUnknown*>(fluxo.Get()));
  EXPECT_EQ(da_fonte[1].vt, VT_EMPTY);
  const auto do_fluxo = drenar(fluxo.Get());
  ASSERT_EQ(tipos(do_fluxo), (std::vector<MediaEventType>{MEStreamStarted}));
  EXPECT_EQ(do_fluxo[0].vt, VT_EMPTY);
  for (const Evento& e : da_fonte) EXPECT_EQ(e.status, S_OK);
  EXPECT_EQ(vezes_no_registro("Start: fonte rodando (primeira_vez=true)"), primeiras + 1);
  EXPECT_TRUE(fonte_de(fonte.Get())->retrato().fluxo_rodando);

  ASSERT_EQ(fonte->Stop(), S_OK);
  EXPECT_EQ(tipos(drenar(fluxo.Get())), (std::vector<MediaEventType>{MEStreamStopped}));
  EXPECT_EQ(tipos(drenar(fonte.Get())), (std::vector<MediaEventType>{MESourceStopped}));
  EXPECT_EQ(vezes_no_registro("Stop"), paradas + 1);
  EXPECT_FALSE(fonte_de(fonte.Get())->retrato().fluxo_rodando);

  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  PROPVARIANT posicao;
  PropVariantInit(&posicao);
  posicao.vt = VT_I8;
  posicao.hVal.QuadPart = 12345;
  ASSERT_EQ(fonte->Start(descritor.Get(), &GUID_NULL, &posicao), S_OK);
  const auto de_novo = drenar(fonte.Get());
  ASSERT_EQ(tipos(de_novo), (std::vector<MediaEventType>{MEUpdatedStream, MESourceStarted}));
  EXPECT_EQ(de_novo[0].objeto.Get(), static_cast<IUnknown*>(fluxo.Get()));
  EXPECT_EQ(de_novo[1].vt, VT_I8) << "the start position is passed on";
  const auto fluxo_de_novo = drenar(fluxo.Get());
  ASSERT_EQ(tipos(fluxo_de_novo), (std::vector<MediaEventType>{MEStreamStarted}));
  EXPECT_EQ(fluxo_de_novo[0].vt, VT_I8);
  EXPECT_EQ(vezes_no_registro("Start: fonte rodando (primeira_vez=false)"), seguintes + 1);
  EXPECT_TRUE(fonte_de(fonte.Get())->retrato().ja_iniciada);

  fluxo.Reset();
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(Eventos, StopOnASourceNeverStartedStillQueuesBothEvents) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
  ASSERT_EQ(fonte->Stop(), S_OK);
  EXPECT_EQ(tipos(drenar(fluxo.Get())), (std::vector<MediaEventType>{MEStreamStopped}));
  EXPECT_EQ(tipos(drenar(fonte.Get())), (std::vector<MediaEventType>{MESourceStopped}));
  fluxo.Reset();
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

// Whatever the stream's state, a Start with stream 0 deselected leaves it as
// it is, queues nothing on the stream, and answers MESourceStarted with the
// start position after its log line.
TEST_F(Eventos, StartWithStreamZeroDeselectedQueuesOnlySourceStartedAndLeavesTheStream) {
  const std::string linha = "Start com o fluxo 0 deselecionado — nada a iniciar";
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "deselecionado");
  ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
  ComPtr<IMFMediaStream2> fluxo2;
  ASSERT_EQ(fluxo.As(&fluxo2), S_OK);
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  ASSERT_EQ(descritor->DeselectStream(0), S_OK);
  PROPVARIANT posicao;
  PropVariantInit(&posicao);
  posicao.vt = VT_I8;
  posicao.hVal.QuadPart = 777;

  struct Caso {
    const char* antes;  // how the stream was left before this Start
    const PROPVARIANT* posicao;
    VARTYPE valor;
    MF_STREAM_STATE estado;
  };
  const Caso casos[] = {
      {"never started", nullptr, VT_EMPTY, MF_STREAM_STATE_STOPPED},
      {"running", &posicao, VT_I8, MF_STREAM_STATE_RUNNING},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.antes);
    if (caso.estado == MF_STREAM_STATE_RUNNING) {
      iniciar(fonte.Get());
      drenar(fonte.Get());
      drenar(fluxo.Get());
    }
    const std::size_t antes = vezes_no_registro(linha);
    ASSERT_EQ(fonte->Start(descritor.Get(), nullptr, caso.posicao), S_OK);
    EXPECT_EQ(vezes_no_registro(linha), antes + 1);
    const auto da_fonte = drenar(fonte.Get());
    ASSERT_EQ(tipos(da_fonte), (std::vector<MediaEventType>{MESourceStarted}));
    EXPECT_EQ(da_fonte[0].status, S_OK);
    EXPECT_EQ(da_fonte[0].vt, caso.valor);
    EXPECT_TRUE(drenar(fluxo.Get()).empty());
    MF_STREAM_STATE estado{};
    ASSERT_EQ(fluxo2->GetStreamState(&estado), S_OK);
    EXPECT_EQ(estado, caso.estado);
    EXPECT_EQ(fonte_de(fonte.Get())->retrato().situacao, SituacaoDaFonte::Rodando);
  }
  fluxo.Reset();
  fluxo2.Reset();
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

TEST_F(Eventos, RefusedStartsStillStartTheFrameSupplyAndPauseIsRefused) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "recusado");
  const std::size_t canos = vezes_no_registro(LINHA_DO_CANO);
  EXPECT_EQ(fonte->Start(nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(vezes_no_registro(LINHA_DO_CANO), canos + 1) << "the frame supply was started";
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  const GUID outro_formato = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(fonte->Start(descritor.Get(), &outro_formato, nullptr), MF_E_UNSUPPORTED_TIME_FORMAT);
  EXPECT_EQ(vezes_no_registro(LINHA_DO_CANO), canos + 1) << "only the first call configures";
  EXPECT_EQ(fonte->Pause(), MF_E_INVALID_STATE_TRANSITION);
  EXPECT_TRUE(drenar(fonte.Get()).empty());
  EXPECT_EQ(fonte_de(fonte.Get())->retrato().situacao, SituacaoDaFonte::Parada);
  ASSERT_EQ(fonte->Shutdown(), S_OK);
}

class DepoisDoShutdown : public AmbienteMF {};

TEST_F(DepoisDoShutdown, EverySourceAndStreamMethodAnswersAsTheStateMachineSays) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "shutdown");
  ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
  ComPtr<IMFMediaStream2> fluxo2;
  ASSERT_EQ(fluxo.As(&fluxo2), S_OK);
  ComPtr<IMFAttributes> atributos;
  ASSERT_EQ(fonte.As(&atributos), S_OK);
  ASSERT_EQ(atributos->SetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, 7), S_OK);
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);

  const std::size_t desligamentos = vezes_no_registro("Shutdown");
  ASSERT_EQ(fonte->Shutdown(), S_OK);
  EXPECT_EQ(vezes_no_registro("Shutdown"), desligamentos + 1);
  ASSERT_EQ(fonte->Shutdown(), S_OK);
  EXPECT_EQ(vezes_no_registro("Shutdown"), desligamentos + 1) << "a second Shutdown logs nothing";

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
  const std::size_t d3d = vezes_no_registro("SetD3DManager (ignorado — entregamos buffer de sistema)");
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
  EXPECT_EQ(vezes_no_registro("SetD3DManager (ignorado — entregamos buffer de sistema)"), d3d + 1);
  EXPECT_EQ(vezes_no_registro("SetStreamState(2) -> rodando=true"), 0u);
  UINT32 lido = 0;
  EXPECT_EQ(atributos->GetUINT32(plataforma::MF_DEVICESTREAM_STREAM_ID, &lido), S_OK);
  EXPECT_EQ(lido, 7u) << "the store still answers";

  const Fonte::Retrato r = fonte_de(fonte.Get())->retrato();
  EXPECT_EQ(r.situacao, SituacaoDaFonte::Desligada);
  EXPECT_FALSE(r.tem_fluxo);
  EXPECT_FALSE(r.tem_descritor);
  // TearDown checks that releasing these last references frees both objects.
}

// A consumer's BeginGetEvent left pending on the stream's queue.
class PedidoPendente final : public IMFAsyncCallback {
 public:
  explicit PedidoPendente(IMFMediaEventGenerator* gerador) : gerador_(gerador) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IMFAsyncCallback)) {
      *ppv = static_cast<IMFAsyncCallback*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++referencias_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG restantes = --referencias_;
    if (restantes == 0) delete this;
    return restantes;
  }
  HRESULT STDMETHODCALLTYPE GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(IMFAsyncResult* resultado) override {
    ComPtr<IMFMediaEvent> evento;
    fim_ = gerador_->EndGetEvent(resultado, &evento);
    ++invocacoes_;
    return S_OK;
  }
  ULONG referencias() const { return referencias_.load(); }
  int invocacoes() const { return invocacoes_.load(); }
  HRESULT fim() const { return fim_.load(); }

 private:
  ~PedidoPendente() = default;
  IMFMediaEventGenerator* gerador_;  // the test keeps it alive
  std::atomic<ULONG> referencias_{1};
  std::atomic<int> invocacoes_{0};
  std::atomic<HRESULT> fim_{S_OK};
};

// Shutdown shuts the source's queue, then the stream's: a request pending on
// either is invoked once, its EndGetEvent answers MF_E_SHUTDOWN, and the
// queue lets go of it; later requests are refused.
class PedidoNaFila : public AmbienteMF, public ::testing::WithParamInterface<bool> {};

TEST_P(PedidoNaFila, APendingRequestIsInvokedAndReleasedByShutdown) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  ComPtr<IMFMediaStream> fluxo = fonte_de(fonte.Get())->fluxo();
  IMFMediaEventGenerator* gerador = GetParam() ? static_cast<IMFMediaEventGenerator*>(fluxo.Get())
                                               : static_cast<IMFMediaEventGenerator*>(fonte.Get());
  ComPtr<PedidoPendente> pedido = plataforma::adotar(new PedidoPendente(gerador));
  ASSERT_EQ(gerador->BeginGetEvent(pedido.Get(), nullptr), S_OK);
  EXPECT_GT(pedido->referencias(), 1u) << "the queue holds the pending request";
  ASSERT_EQ(fonte->Shutdown(), S_OK);
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (pedido->referencias() > 1 && std::chrono::steady_clock::now() < limite) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(pedido->referencias(), 1u) << "released by the queue";
  EXPECT_EQ(pedido->invocacoes(), 1);
  EXPECT_EQ(pedido->fim(), MF_E_SHUTDOWN);
  EXPECT_EQ(gerador->BeginGetEvent(pedido.Get(), nullptr), MF_E_SHUTDOWN);
}

INSTANTIATE_TEST_SUITE_P(Filas, PedidoNaFila, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stream" : "Source"; });

TEST_F(DepoisDoShutdown, OnlyShutdownBreaksTheCycleBetweenSourceAndStream) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  IMFMediaSourceEx* bruto = fonte.Get();
  ComPtr<IMFMediaStream> fluxo = fonte_de(bruto)->fluxo();
  ComPtr<IMFMediaSource> de_volta;
  ASSERT_EQ(fluxo->GetMediaSource(&de_volta), S_OK);
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(de_volta.As(&a), S_OK);
  ASSERT_EQ(fonte.As(&b), S_OK);
  EXPECT_EQ(a.Get(), b.Get());
  a.Reset();
  b.Reset();
  de_volta.Reset();
  fluxo.Reset();
  bruto->AddRef();
  fonte.Reset();
  EXPECT_EQ(Fonte::vivos(), fontes_antes_ + 1) << "held by its stream until Shutdown";
  EXPECT_EQ(Fluxo::vivos(), fluxos_antes_ + 1);
  ASSERT_EQ(bruto->Shutdown(), S_OK);
  EXPECT_EQ(bruto->Release(), 0u);
}

TEST_F(DepoisDoShutdown, DiscardingAnUnusedSourceFreesSourceAndStreamSilently) {
  const std::size_t desligamentos = vezes_no_registro("Shutdown");
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  Fonte::descartar(fonte.Get());
  EXPECT_EQ(vezes_no_registro("Shutdown"), desligamentos);
}

}  // namespace
}  // namespace norva::teste
