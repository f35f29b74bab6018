// The real consumer path: the class registered in this Wine prefix, created
// by CoCreateInstance, named through IMFAttributes, activated, and read by
// Media Foundation's own source reader: without a writer the camera gives
// bench pattern (a writer's frames through the source reader are the
// leitor test's, in-process where live objects can be counted).
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstdint>
#include <span>

#include "ferramentas/sonda/classificacao.h"
#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;

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
    if (fonte_) fonte_->Shutdown();
    leitor_.Reset();
    fonte_.Reset();
    MFShutdown();
    CoUninitialize();
    if (dll_.DllUnregisterServer) dll_.DllUnregisterServer();
  }

  void abrir_camera(const std::string& nome) {
    ComPtr<IMFActivate> ativar;
    ASSERT_EQ(CoCreateInstance(CLSID_DA_FONTE, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&ativar)), S_OK);
    fonte_ = ativar_camera(ativar.Get(), nome);  // the source itself: interfaces_test
    ASSERT_NE(fonte_, nullptr);
    ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte_.Get(), nullptr, &leitor_), S_OK);
  }

  // Whether the reader's next sample is a bench-pattern frame for some frame
  // number.
  bool ler_padrao() {
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
      return false;
    }
    using Quadro = std::span<const std::uint8_t, TAMANHO_DO_QUADRO>;
    const bool padrao =
        comprimento == TAMANHO_DO_QUADRO && classificador_.numero_do_padrao(Quadro(dados, TAMANHO_DO_QUADRO));
    buffer->Unlock();
    return padrao;
  }

  Exportacoes dll_;
  ferramentas::Classificador classificador_;
  ComPtr<IMFMediaSource> fonte_;
  ComPtr<IMFSourceReader> leitor_;
};

constexpr int AMOSTRAS = 10;

TEST_F(Consumidor, SemEscritorEntregaPadraoDeBancada) {
  abrir_camera(nome_unico("norva-consumidor"));
  for (int i = 0; i < AMOSTRAS; ++i) EXPECT_TRUE(ler_padrao()) << "sample " << i;
}

}  // namespace
}  // namespace norva::teste
