// The stream through its COM interfaces, on sources made by Fonte::criar
// against the real Media Foundation: stream state, the samples and their
// contents, pacing, the statistics line of the first sample and failure
// injection. Concurrent calls are soaked through the class factory
// (resistencia_test); which samples get the statistics line is
// linha_do_quadro_test's.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using namespace std::chrono_literals;
using plataforma::Operacao;

class FluxoTeste : public AmbienteComFonte {
 protected:
  // Starts the source and drops its start events.
  void comecar() {
    iniciar(fonte_.Get());
    drenar(fonte_.Get());
    drenar(fluxo_.Get());
  }
  std::vector<ComPtr<IMFSample>> amostras() {
    std::vector<ComPtr<IMFSample>> lista;
    for (const Evento& e : drenar(fluxo_.Get())) {
      EXPECT_EQ(e.tipo, MEMediaSample);
      if (ComPtr<IMFSample> a; e.objeto && SUCCEEDED(e.objeto.As(&a))) lista.push_back(a);
    }
    return lista;
  }
};

TEST_F(FluxoTeste, SetStreamStateSwitchesDeliveryAndLogsEveryCall) {
  MF_STREAM_STATE estado = MF_STREAM_STATE_RUNNING;
  ASSERT_EQ(fluxo2_->GetStreamState(&estado), S_OK);
  EXPECT_EQ(estado, MF_STREAM_STATE_STOPPED);
  EXPECT_EQ(fluxo_->RequestSample(nullptr), MF_E_INVALIDREQUEST);
  EXPECT_EQ(fluxo2_->GetStreamState(nullptr), E_POINTER);

  struct Caso {
    int valor;
    MF_STREAM_STATE lido;
    HRESULT pedido;
    const char* linha;
  };
  const Caso casos[] = {
      {2, MF_STREAM_STATE_RUNNING, S_OK, "SetStreamState(2) -> rodando=true"},
      {1, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(1) -> rodando=false"},
      {2, MF_STREAM_STATE_RUNNING, S_OK, "SetStreamState(2) -> rodando=true"},
      {-1, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(-1) -> rodando=false"},
      {0, MF_STREAM_STATE_STOPPED, MF_E_INVALIDREQUEST, "SetStreamState(0) -> rodando=false"},
  };
  for (const Caso& c : casos) {
    const std::size_t antes = contar_mensagem(c.linha);
    ASSERT_EQ(fluxo2_->SetStreamState(static_cast<MF_STREAM_STATE>(c.valor)), S_OK) << c.valor;
    EXPECT_EQ(contar_mensagem(c.linha), antes + 1) << c.linha;
    ASSERT_EQ(fluxo2_->GetStreamState(&estado), S_OK);
    EXPECT_EQ(estado, c.lido) << c.valor;
    EXPECT_EQ(fluxo_->RequestSample(nullptr), c.pedido) << c.valor;
  }
  EXPECT_EQ(amostras().size(), 2u) << "no event for a refused request, none for SetStreamState";
}

TEST_F(FluxoTeste, PacedPatternSamplesCarryTheFrameLengthDurationTimeAndTokenAndOnlyTheFirstIsLogged) {
  comecar();
  const MarcaDoRegistro marca;
  ComPtr<IMFAttributes> token;
  ASSERT_EQ(MFCreateAttributes(&token, 1), S_OK);
  constexpr std::size_t AMOSTRAS = 7;
  const auto inicio = std::chrono::steady_clock::now();
  const LONGLONG antes = MFGetSystemTime();
  for (std::size_t i = 0; i < AMOSTRAS; ++i) ASSERT_EQ(fluxo_->RequestSample(i == 1 ? token.Get() : nullptr), S_OK);
  const LONGLONG depois = MFGetSystemTime();
  // The first goes out at once, each later one in its slot: never ahead of
  // the schedule (how close it stays is measured by the benchmark).
  EXPECT_GE(std::chrono::steady_clock::now() - inicio, 33333333ns * static_cast<int>(AMOSTRAS - 1));
  const auto lista = amostras();
  ASSERT_EQ(lista.size(), AMOSTRAS);
  for (std::size_t i = 0; i < lista.size(); ++i) {
    IMFSample* a = lista[i].Get();
    DWORD buffers = 0;
    ASSERT_EQ(a->GetBufferCount(&buffers), S_OK);
    EXPECT_EQ(buffers, 1u);
    LONGLONG duracao = 0, tempo = 0;
    ASSERT_EQ(a->GetSampleDuration(&duracao), S_OK);
    EXPECT_EQ(duracao, 333333);
    ASSERT_EQ(a->GetSampleTime(&tempo), S_OK);
    EXPECT_GE(tempo, antes);
    EXPECT_LE(tempo, depois);
    DWORD flags = 99;
    ASSERT_EQ(a->GetSampleFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0u);
    UINT32 atributos = 99;
    ASSERT_EQ(a->GetCount(&atributos), S_OK);
    EXPECT_EQ(atributos, i == 1 ? 1u : 0u) << "only the token, and only when given";
    // The first bench-pattern frames of this source, in order (the buffer's
    // current length is the frame's).
    const DadosDoQuadro padrao = PadraoDeBancada::desenhar(i);
    EXPECT_TRUE(bytes_de(a) == std::vector<std::uint8_t>(padrao.get(), padrao.get() + TAMANHO_DO_QUADRO))
        << "sample " << i;
  }
  ComPtr<IUnknown> guardado;
  EXPECT_EQ(lista[0]->GetUnknown(plataforma::MFSampleExtension_Token, IID_PPV_ARGS(&guardado)),
            MF_E_ATTRIBUTENOTFOUND);
  ASSERT_EQ(lista[1]->GetUnknown(plataforma::MFSampleExtension_Token, IID_PPV_ARGS(&guardado)), S_OK);
  ComPtr<IUnknown> identidade;
  ASSERT_EQ(token.As(&identidade), S_OK);
  EXPECT_EQ(guardado.Get(), identidade.Get());
  ASSERT_EQ(marca.contar("quadro "), 1u);
  EXPECT_EQ(marca.contar("quadro 1 entregue (origem=padrão) — cano: "), 1u);
}

TEST_F(FluxoTeste, AFailingBufferQueuesNothingAndConsumesNoSampleNumber) {
  comecar();
  const std::string primeira =
      "quadro 1 entregue (origem=padrão) — cano: <omitido>";
  const std::size_t antes = contar_mensagem(primeira);
  struct Caso {
    Operacao operacao;
    const char* nome;
  };
  for (const Caso c : {Caso{Operacao::MFCreateMemoryBuffer, "buffer"}, Caso{Operacao::MFCreateSample, "sample"}}) {
    plataforma::teste::falhar_na_chamada(c.operacao, 1, E_OUTOFMEMORY);
    EXPECT_EQ(fluxo_->RequestSample(nullptr), E_OUTOFMEMORY) << c.nome;
    ComPtr<IMFMediaEvent> evento;
    EXPECT_EQ(fluxo_->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento), MF_E_NO_EVENTS_AVAILABLE) << c.nome;
    EXPECT_EQ(contar_mensagem(primeira), antes) << c.nome;
  }
  ASSERT_EQ(fluxo_->RequestSample(nullptr), S_OK);
  EXPECT_EQ(contar_mensagem(primeira), antes + 1) << "the first delivered sample is number 1";
  EXPECT_EQ(amostras().size(), 1u);
}

}  // namespace
}  // namespace norva::teste
