// The buffer stock hands a kept buffer out again only once nobody but the
// stock holds it, one caller at a time, and keeps at most its capacity.
#include "fonte/src/fluxo/estoque_de_buffers.h"

#include <vector>

#include <gtest/gtest.h>

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
constexpr DWORD TAMANHO = 3110400;

ULONG referencias(IMFMediaBuffer* buffer) {
  buffer->AddRef();
  return buffer->Release();
}

TEST(Estoque, ReusesABufferOnlyAfterItsSampleIsReleasedAndKeepsAtMostItsCapacity) {
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET), S_OK);
  {
    EstoqueDeBuffers estoque;
    std::vector<ComPtr<IMFMediaBuffer>> buffers;  // as consumers' samples hold them
    for (std::size_t i = 0; i < EstoqueDeBuffers::CAPACIDADE + 2; ++i) {
      auto b = estoque.obter(TAMANHO);
      ASSERT_TRUE(b);
      DWORD maximo = 0;
      ASSERT_EQ((*b)->GetMaxLength(&maximo), S_OK);
      EXPECT_GE(maximo, TAMANHO);
      for (const auto& anterior : buffers) EXPECT_NE(b->Get(), anterior.Get()) << "still held by a sample";
      estoque.guardar(b->Get());
      buffers.push_back(*b);
    }
    std::size_t guardados = 0;
    for (const auto& b : buffers) guardados += referencias(b.Get()) == 2;  // ours and the stock's
    EXPECT_EQ(guardados, EstoqueDeBuffers::CAPACIDADE);
    IMFMediaBuffer* primeiro = buffers[0].Get();
    buffers[0].Reset();  // the consumer lets go of the first
    auto de_novo = estoque.obter(TAMANHO);
    ASSERT_TRUE(de_novo);
    EXPECT_EQ(de_novo->Get(), primeiro);
    auto outro = estoque.obter(TAMANHO);
    ASSERT_TRUE(outro);
    EXPECT_NE(outro->Get(), primeiro) << "handed out once at a time";
  }
  MFShutdown();
}

}  // namespace
}  // namespace norva
