// A real consumer: the platform's source reader over a source made by
// Fonte::criar reads NV12 1920x1080 samples, bench pattern without a writer
// and the writer's bytes when one feeds this camera's pipe.
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
// After apoio.h: needs the Media Foundation declarations before it.
#include <mfreadwrite.h>
#include "fonte/src/quadros/padrao_de_bancada.h"

namespace norva::teste {
namespace {

constexpr int AMOSTRAS_EXIGIDAS = 30;
constexpr int LEITURAS_MAXIMAS = 300;

class LeitorDeFonte : public AmbienteMF {
 protected:
  ComPtr<IMFSourceReader> abrir(IMFMediaSourceEx* fonte) {
    ComPtr<IMFSourceReader> leitor;
    EXPECT_EQ(MFCreateSourceReaderFromMediaSource(fonte, nullptr, &leitor), S_OK);
    if (!leitor) return nullptr;
    ComPtr<IMFMediaType> tipo;
    EXPECT_EQ(leitor->GetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, &tipo), S_OK);
    GUID subtipo{};
    UINT64 tamanho = 0;
    EXPECT_EQ(tipo->GetGUID(MF_MT_SUBTYPE, &subtipo), S_OK);
    EXPECT_TRUE(IsEqualGUID(subtipo, MFVideoFormat_NV12));
    EXPECT_EQ(tipo->GetUINT64(MF_MT_FRAME_SIZE, &tamanho), S_OK);
    EXPECT_EQ(tamanho, (UINT64{1920} << 32) | 1080);
    return leitor;
  }
  // The next sample's bytes; empty at the end of the stream or on failure.
  static std::vector<std::uint8_t> ler(IMFSourceReader* leitor) {
    DWORD indice = 0, flags = 0;
    LONGLONG tempo = 0;
    ComPtr<IMFSample> amostra;
    const HRESULT hr = leitor->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, &indice, &flags,
                                          &tempo, &amostra);
    EXPECT_EQ(hr, S_OK);
    if (FAILED(hr) || !amostra) return {};
    EXPECT_EQ(flags & MF_SOURCE_READERF_ERROR, 0u);
    return bytes_de(amostra.Get());
  }
  // Shuts the source down and drops it; TearDown then asserts that nothing
  // of the camera is alive.
  void soltar(ComPtr<IMFMediaSourceEx> fonte) {
    EXPECT_EQ(fonte->Shutdown(), S_OK);
    fonte.Reset();
    esperar_soltarem();
  }
};

TEST_F(LeitorDeFonte, ReadsBenchPatternSamplesWithoutAWriter) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  dar_nome_unico(fonte.Get(), "leitor-padrao");
  {
    ComPtr<IMFSourceReader> leitor = abrir(fonte.Get());
    ASSERT_NE(leitor, nullptr);
    for (int i = 0; i < AMOSTRAS_EXIGIDAS; ++i) {
      const std::vector<std::uint8_t> bytes = ler(leitor.Get());
      ASSERT_EQ(bytes.size(), 3110400u) << i;
      const DadosDoQuadro padrao = PadraoDeBancada::desenhar(static_cast<std::uint64_t>(i));
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), padrao.get())) << "sample " << i;
    }
  }
  soltar(std::move(fonte));
}

TEST_F(LeitorDeFonte, ReadsTheWritersBytesWhenAWriterFeedsThisCamerasPipe) {
  constexpr std::uint8_t VALOR = 0xE5;
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  EscritorDeTeste escritor(dar_nome_unico(fonte.Get(), "leitor-cano"), VALOR);
  int do_escritor = 0;
  {
    ComPtr<IMFSourceReader> leitor = abrir(fonte.Get());
    ASSERT_NE(leitor, nullptr);
    for (int i = 0; i < LEITURAS_MAXIMAS && do_escritor < AMOSTRAS_EXIGIDAS; ++i) {
      const std::vector<std::uint8_t> bytes = ler(leitor.Get());
      ASSERT_EQ(bytes.size(), 3110400u) << i;
      if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == VALOR; })) {
        ++do_escritor;
      } else {
        EXPECT_EQ(do_escritor, 0) << "once the pipe delivers, every sample is the writer's";
      }
    }
  }
  EXPECT_EQ(do_escritor, AMOSTRAS_EXIGIDAS);
  EXPECT_TRUE(escritor.conectou());
  soltar(std::move(fonte));
}

}  // namespace
}  // namespace norva::teste
