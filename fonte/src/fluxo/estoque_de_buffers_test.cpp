// The buffer stock hands a kept buffer out again only once nobody but the
// stock holds it, and never more than one caller at a time.
#include "fonte/src/fluxo/estoque_de_buffers.h"

#include <gtest/gtest.h>

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
constexpr DWORD TAMANHO = 3110400;

class Estoque : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET), S_OK); }
  void TearDown() override { MFShutdown(); }
};

TEST_F(Estoque, ReusesABufferOnlyAfterItsSampleIsReleased) {
  EstoqueDeBuffers estoque;
  auto primeiro = estoque.obter(TAMANHO);
  ASSERT_TRUE(primeiro);
  ComPtr<IMFSample> amostra;
  ASSERT_EQ(MFCreateSample(&amostra), S_OK);
  ASSERT_EQ(amostra->AddBuffer(primeiro->Get()), S_OK);
  estoque.guardar(primeiro->Get());
  IMFMediaBuffer* bruto = primeiro->Get();
  primeiro->Reset();

  auto enquanto_em_uso = estoque.obter(TAMANHO);
  ASSERT_TRUE(enquanto_em_uso);
  EXPECT_NE(enquanto_em_uso->Get(), bruto) << "the consumer's sample still holds it";
  enquanto_em_uso->Reset();

  amostra.Reset();  // the consumer lets go
  auto depois = estoque.obter(TAMANHO);
  ASSERT_TRUE(depois);
  EXPECT_EQ(depois->Get(), bruto);
  auto outro = estoque.obter(TAMANHO);
  ASSERT_TRUE(outro);
  EXPECT_NE(outro->Get(), bruto) << "handed out once at a time";
  DWORD maximo = 0;
  ASSERT_EQ((*outro)->GetMaxLength(&maximo), S_OK);
  EXPECT_GE(maximo, TAMANHO);
}

TEST_F(Estoque, KeepsAtMostItsCapacity) {
  EstoqueDeBuffers estoque;
  std::vector<ComPtr<IMFMediaBuffer>> buffers;
  for (std::size_t i = 0; i < EstoqueDeBuffers::CAPACIDADE + 2; ++i) {
    auto b = estoque.obter(TAMANHO);
    ASSERT_TRUE(b);
    estoque.guardar(b->Get());
    buffers.push_back(*b);
  }
  std::size_t guardados = 0;
  for (const auto& b : buffers) {
    b->AddRef();
    guardados += b->Release() == 2;  // ours and the stock's
  }
  EXPECT_EQ(guardados, EstoqueDeBuffers::CAPACIDADE);
}

}  // namespace
}  // namespace norva
