// A real consumer: the platform's source reader over a source made by
// Fonte::criar, with a writer feeding this camera's pipe, reads whole frames
// (the media type itself is fonte_test's, the bench pattern's bytes
// fluxo_test's): once the pipe delivers, only the writer's bytes; afterwards
// nothing of the camera is left alive.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
// After apoio.h: needs the Media Foundation declarations before it.
#include <mfreadwrite.h>
#include "ferramentas/escritor/teste/escritor_em_fundo.h"
#include "fonte/src/quadros/teste/apoio.h"

namespace norva::teste {
namespace {

constexpr int AMOSTRAS_EXIGIDAS = 30;
constexpr int LEITURAS_MAXIMAS = 300;
constexpr std::uint8_t VALOR = 0xE5;

class LeitorDeFonte : public AmbienteMF {};

TEST_F(LeitorDeFonte, ReadsOnlyTheWritersBytesOnceThePipeDeliversAndLetsGoOfTheCamera) {
  ComPtr<IMFMediaSourceEx> fonte = nova_fonte();
  // The writer serves the camera's pipe until the test ends.
  const EscritorEmFundo escritor(dar_nome_unico(fonte.Get(), "leitor"), VALOR, std::chrono::milliseconds(0));
  ASSERT_EQ(escritor.erro(), 0u);
  int do_escritor = 0;
  {
    ComPtr<IMFSourceReader> leitor;
    ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte.Get(), nullptr, &leitor), S_OK);
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
      }
    }
  }
  EXPECT_EQ(do_escritor, AMOSTRAS_EXIGIDAS);
  EXPECT_EQ(escritor.conexoes(), 1) << "the camera stays on its one connection";
  EXPECT_EQ(fonte->Shutdown(), S_OK);
  fonte.Reset();
  // The reader lets go of the camera on its own worker threads; TearDown
  // asserts that nothing of it outlives the wait.
  esperar_ate([this] { return Fonte::vivos() == fontes_antes_ && Fluxo::vivos() == fluxos_antes_; });
}

}  // namespace
}  // namespace norva::teste
