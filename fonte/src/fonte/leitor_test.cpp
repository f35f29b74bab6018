// A real consumer: the platform's source reader over a source made by
// Fonte::criar, with a writer feeding this camera's pipe, reads NV12
// 1920x1080 samples: bench pattern until the pipe delivers, then only the
// writer's bytes; afterwards nothing of the camera is left alive.
#include <algorithm>
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
constexpr std::uint8_t VALOR = 0xE5;

class LeitorDeFonte : public AmbienteMF {};

TEST_F(LeitorDeFonte, ReadsBenchPatternThenOnlyTheWritersBytesAndLetsGoOfTheCamera) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  EscritorDeTeste escritor(dar_nome_unico(fonte.Get(), "leitor"), VALOR);
  int do_escritor = 0;
  {
    ComPtr<IMFSourceReader> leitor;
    ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte.Get(), nullptr, &leitor), S_OK);
    ComPtr<IMFMediaType> tipo;
    ASSERT_EQ(leitor->GetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, &tipo), S_OK);
    GUID subtipo{};
    UINT64 tamanho = 0;
    EXPECT_EQ(tipo->GetGUID(MF_MT_SUBTYPE, &subtipo), S_OK);
    EXPECT_TRUE(IsEqualGUID(subtipo, MFVideoFormat_NV12));
    EXPECT_EQ(tipo->GetUINT64(MF_MT_FRAME_SIZE, &tamanho), S_OK);
    EXPECT_EQ(tamanho, (UINT64{1920} << 32) | 1080);
    for (int i = 0; i < LEITURAS_MAXIMAS && do_escritor < AMOSTRAS_EXIGIDAS; ++i) {
      DWORD indice = 0, flags = 0;
      LONGLONG tempo = 0;
      ComPtr<IMFSample> amostra;
      ASSERT_EQ(leitor->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, &indice, &flags, &tempo, &amostra), S_OK);
      ASSERT_NE(amostra, nullptr);
      EXPECT_EQ(flags & MF_SOURCE_READERF_ERROR, 0u);
      const std::vector<std::uint8_t> bytes = bytes_de(amostra.Get());
      ASSERT_EQ(bytes.size(), 3110400u) << i;
      if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == VALOR; })) {
        ++do_escritor;
      } else {
        EXPECT_EQ(do_escritor, 0) << "once the pipe delivers, every sample is the writer's";
        const DadosDoQuadro padrao = PadraoDeBancada::desenhar(static_cast<std::uint64_t>(i));
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), padrao.get())) << "sample " << i;
      }
    }
  }
  EXPECT_EQ(do_escritor, AMOSTRAS_EXIGIDAS);
  EXPECT_TRUE(escritor.conectou());
  EXPECT_EQ(fonte->Shutdown(), S_OK);
  fonte.Reset();
  esperar_soltarem();  // TearDown asserts that nothing of the camera outlives the reader
}

}  // namespace
}  // namespace norva::teste
