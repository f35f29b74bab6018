// What the library refuses before a single byte reaches the pipe, and the
// line it gives the caller.
#include <gtest/gtest.h>

#include <vector>

#include "ferramentas/produtor/imagem.h"

namespace norva::produtor {
namespace {

constexpr std::size_t NV12_TIGHT = TAMANHO_DO_QUADRO;
constexpr norva_escritor_erro OK = NORVA_ESCRITOR_OK;

TEST(Validacao, CodigoEMensagem) {
  const std::vector<std::uint8_t> bytes(std::size_t{7680} * ALTURA * 2);
  const void* const p = bytes.data();
  const struct {
    Imagem imagem;
    norva_escritor_erro codigo;
    std::uint32_t passo;  // when valid
    const char* trecho;   // of the message, when not
  } casos[] = {
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1920, 1080, 0}, OK, 1920, ""},
      {{NORVA_ESCRITOR_NV12, p, 2048 * 1620, 1920, 1080, 2048}, OK, 2048, ""},
      {{NORVA_ESCRITOR_NV12, nullptr, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_PONTEIRO_NULO, 0, "null"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1280, 720, 0}, NORVA_ESCRITOR_ERRO_DIMENSOES, 0, "1280x720"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1920, 0, 0}, NORVA_ESCRITOR_ERRO_DIMENSOES, 0, "1920x0"},
      {{0, p, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_FORMATO, 0, "unknown pixel format 0"},
      {{99, p, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_FORMATO, 0, "99"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1920, 1080, 1919}, NORVA_ESCRITOR_ERRO_PASSO, 0, "stride 1919 for NV12"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1920, 1080, MAIOR_PASSO + 1}, NORVA_ESCRITOR_ERRO_PASSO, 0, "1048577"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT - 1, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_TAMANHO, 0, "needs 3110400"},
      {{NORVA_ESCRITOR_NV12, p, NV12_TIGHT, 1920, 1080, 2048}, NORVA_ESCRITOR_ERRO_TAMANHO, 0, "needs 3317760"},
  };
  for (const auto& c : casos) {
    const auto r = validar(c.imagem);
    if (c.codigo == OK) {
      ASSERT_TRUE(r.has_value()) << r.error().mensagem;
      EXPECT_EQ(*r, c.passo);
    } else {
      ASSERT_FALSE(r.has_value()) << c.trecho;
      EXPECT_EQ(r.error().codigo, c.codigo);
      EXPECT_NE(r.error().mensagem.find(c.trecho), std::string::npos) << r.error().mensagem;
    }
  }
}

}  // namespace
}  // namespace norva::produtor
