// The factory linked in-process, where the live objects of each class can be
// counted: nothing CreateInstance makes may outlive a failure.
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <ostream>

#include "fonte/src/fluxo/fluxo.h"
#include "fonte/src/fonte/fonte.h"
#include "fonte/src/lib/fabrica.h"
#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
namespace injecao = plataforma::teste;

class Fabrica_ : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
    ASSERT_EQ(Fonte::vivos(), 0);
    ASSERT_EQ(Fluxo::vivos(), 0);
  }
  void TearDown() override {
    injecao::limpar_falhas();
    MFShutdown();
    CoUninitialize();
  }
};

TEST_F(Fabrica_, ConsultaRecusadaLiberaAFabrica) {
  {
    ComPtr<Fabrica> fabrica = Fabrica::nova();
    EXPECT_EQ(Fabrica::vivos(), 1);
    ComPtr<IMFMediaSource> nao_e_fabrica;
    EXPECT_EQ(fabrica.As(&nao_e_fabrica), E_NOINTERFACE);
  }
  EXPECT_EQ(Fabrica::vivos(), 0);
}

TEST_F(Fabrica_, ConsultaFinalRecusadaDestroiFonteEFluxo) {
  ComPtr<Fabrica> fabrica = Fabrica::nova();
  void* ppv = reinterpret_cast<void*>(0x1);
  const auto desligadas_antes = teste::contar_mensagem("Shutdown");
  EXPECT_EQ(fabrica->CreateInstance(nullptr, IID_IClassFactory, &ppv), E_NOINTERFACE);
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(Fonte::vivos(), 0) << "the source must not survive a failed CreateInstance";
  EXPECT_EQ(Fluxo::vivos(), 0) << "nor its stream";
  EXPECT_EQ(teste::contar_mensagem("Shutdown"), desligadas_antes) << "the teardown is silent";
}

TEST_F(Fabrica_, FonteEntregueViveAteShutdownESoltura) {
  ComPtr<Fabrica> fabrica = Fabrica::nova();
  ComPtr<IMFMediaSource> fonte;
  ASSERT_EQ(fabrica->CreateInstance(nullptr, IID_PPV_ARGS(&fonte)), S_OK);
  EXPECT_EQ(Fonte::vivos(), 1);
  EXPECT_EQ(Fluxo::vivos(), 1);
  fabrica.Reset();
  EXPECT_EQ(Fonte::vivos(), 1) << "a source does not depend on its factory";
  ASSERT_EQ(fonte->Shutdown(), S_OK);
  fonte.Reset();
  EXPECT_EQ(Fonte::vivos(), 0);
  EXPECT_EQ(Fluxo::vivos(), 0);
}

// --- A platform call inside the source's construction fails ---------------------

struct CasoDeFalha {
  const char* nome;
  plataforma::Operacao operacao;
  std::uint32_t n_esima;
  HRESULT hr;
};

void PrintTo(const CasoDeFalha& caso, std::ostream* os) { *os << caso.nome; }

class FalhaNaConstrucao : public Fabrica_, public ::testing::WithParamInterface<CasoDeFalha> {};

TEST_P(FalhaNaConstrucao, DevolveOHresultRegistraENaoDeixaObjetos) {
  const CasoDeFalha& caso = GetParam();
  const auto criadas_antes = teste::contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)");
  ComPtr<Fabrica> fabrica = Fabrica::nova();
  injecao::falhar_na_chamada(caso.operacao, caso.n_esima, caso.hr);
  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(fabrica->CreateInstance(nullptr, IID_IMFMediaSource, &ppv), caso.hr) << caso.nome;
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(Fonte::vivos(), 0);
  EXPECT_EQ(Fluxo::vivos(), 0);
  const auto mensagens = teste::mensagens_registradas();
  ASSERT_FALSE(mensagens.empty());
  const std::string& ultima = mensagens.back();
  EXPECT_TRUE(ultima.starts_with("CreateInstance: falhou ao criar a fonte: ")) << ultima;
  char codigo[16];
  std::snprintf(codigo, sizeof codigo, "0x%08lX", static_cast<unsigned long>(caso.hr));
  EXPECT_NE(ultima.find(codigo), std::string::npos) << ultima;
  EXPECT_EQ(teste::contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)"), criadas_antes);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, FalhaNaConstrucao,
    ::testing::Values(
        CasoDeFalha{"tipo_de_midia", plataforma::Operacao::MFCreateMediaType, 1, E_OUTOFMEMORY},
        CasoDeFalha{"descritor_de_fluxo", plataforma::Operacao::MFCreateStreamDescriptor, 1, E_INVALIDARG},
        CasoDeFalha{"fila_da_fonte", plataforma::Operacao::MFCreateEventQueue, 1, E_OUTOFMEMORY},
        CasoDeFalha{"fila_do_fluxo", plataforma::Operacao::MFCreateEventQueue, 2, MF_E_SHUTDOWN},
        CasoDeFalha{"atributos", plataforma::Operacao::MFCreateAttributes, 1, E_OUTOFMEMORY},
        CasoDeFalha{"descritor_de_apresentacao", plataforma::Operacao::MFCreatePresentationDescriptor, 1,
                    E_FAIL}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
}  // namespace norva
