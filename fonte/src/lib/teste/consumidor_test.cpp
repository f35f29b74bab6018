// The real consumer path: the class registered in this Wine prefix, created
// by CoCreateInstance, named through IMFAttributes, activated, and read by
// Media Foundation's own source reader. Without a writer the camera gives
// bench pattern; with one serving this camera's pipe, the writer's frames.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "ferramentas/sonda/classificacao.h"
#include "fonte/src/lib/teste/dll_carregada.h"
#include "ferramentas/escritor/teste/escritor_em_fundo.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

enum class Origem { Padrao, Escritor, Outra };

class Consumidor : public ::testing::Test {
 protected:
  void SetUp() override {
    carregar_dll(caminho_da_dll(), dll_);
    ASSERT_NE(dll_.DllRegisterServer, nullptr);
    ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  }
  void TearDown() override {
    if (fonte_) fonte_->Shutdown();  // before the writer: its reader closes the pipe
    escritor_.reset();
    leitor_.Reset();
    fonte_.Reset();
    MFShutdown();
    CoUninitialize();
    if (dll_.DllUnregisterServer) dll_.DllUnregisterServer();
  }

  void abrir_camera(const std::string& nome) {
    ComPtr<IMFActivate> ativar;
    ASSERT_EQ(CoCreateInstance(CLSID_DA_FONTE, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&ativar)), S_OK);
    fonte_ = ativar_camera(ativar.Get(), nome);
    ASSERT_NE(fonte_, nullptr);
    ComPtr<IMFMediaSource> mesma;
    ASSERT_EQ(ativar.As(&mesma), S_OK);
    EXPECT_EQ(mesma.Get(), fonte_.Get()) << "the activation object is the source itself";
    ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte_.Get(), nullptr, &leitor_), S_OK);
  }

  // Where the reader's next sample came from, by content: a bench-pattern
  // frame for some frame number, or byte for byte the writer's frame.
  Origem ler_amostra() {
    DWORD indice = 0, sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    EXPECT_EQ(leitor_->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice, &sinais,
                                  &instante, &amostra), S_OK);
    EXPECT_EQ(sinais & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM), 0u);
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    if (!amostra || amostra->ConvertToContiguousBuffer(&buffer) != S_OK ||
        buffer->Lock(&dados, nullptr, &comprimento) != S_OK) {
      return Origem::Outra;
    }
    Origem origem = Origem::Outra;
    if (comprimento == TAMANHO_DO_QUADRO) {
      const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro(dados, TAMANHO_DO_QUADRO);
      if (classificador_.numero_do_padrao(quadro)) origem = Origem::Padrao;
      if (escritor_ && std::ranges::equal(quadro, escritor_->quadro())) origem = Origem::Escritor;
    }
    buffer->Unlock();
    return origem;
  }

  Exportacoes dll_;
  ferramentas::Classificador classificador_;
  std::unique_ptr<EscritorEmFundo> escritor_;
  ComPtr<IMFMediaSource> fonte_;
  ComPtr<IMFSourceReader> leitor_;
};

constexpr int AMOSTRAS = 10;
constexpr int LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR = 90;  // three seconds

TEST_F(Consumidor, SemEscritorEntregaPadraoDeBancada) {
  const auto configurados = contar_mensagem("cano desta câmera configurado (nome omitido)");
  const auto criadas = contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)");
  abrir_camera(nome_unico("norva-consumidor"));
  for (int i = 0; i < AMOSTRAS; ++i) EXPECT_EQ(ler_amostra(), Origem::Padrao) << "sample " << i;
  EXPECT_EQ(contar_mensagem("cano desta câmera configurado (nome omitido)"), configurados + 1);
  EXPECT_EQ(contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)"), criadas + 1);
}

TEST_F(Consumidor, ComEscritorEntregaOsQuadrosDele) {
  const std::string nome = nome_unico("norva-consumidor");
  escritor_ = std::make_unique<EscritorEmFundo>(nome, 0x5A, 33ms);
  const auto conexoes = contar_mensagem("cano conectado");
  abrir_camera(nome);
  int ate_o_primeiro = 0;
  while (ler_amostra() != Origem::Escritor && ++ate_o_primeiro < LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR) {
  }
  ASSERT_LT(ate_o_primeiro, LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR) << "no writer frame in three seconds";
  for (int i = 0; i < AMOSTRAS; ++i) EXPECT_EQ(ler_amostra(), Origem::Escritor) << "sample " << i;
  EXPECT_EQ(contar_mensagem("cano conectado"), conexoes + 1);
  EXPECT_EQ(escritor_->conexoes(), 1);
}

}  // namespace
}  // namespace norva::teste
