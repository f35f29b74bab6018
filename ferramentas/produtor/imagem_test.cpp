// What the library refuses before a single byte reaches the pipe, and the
// line it gives the caller.
#include <gtest/gtest.h>

#include <vector>

#include "ferramentas/produtor/imagem.h"

namespace norva::produtor {
namespace {

constexpr std::size_t NV12_TIGHT = TAMANHO_DO_QUADRO;
const std::vector<std::uint8_t> BYTES(std::size_t{7680} * ALTURA * 2);

struct CasoDeImagem {
  const char* nome;
  Imagem imagem;
  norva_escritor_erro codigo;
  std::uint32_t passo;      // when valid
  const char* trecho;       // of the message, when not
};

void PrintTo(const CasoDeImagem& c, std::ostream* os) { *os << c.nome; }

class Validacao : public testing::TestWithParam<CasoDeImagem> {};

TEST_P(Validacao, CodigoEMensagem) {
  const CasoDeImagem& c = GetParam();
  const auto r = validar(c.imagem);
  if (c.codigo == NORVA_ESCRITOR_OK) {
    ASSERT_TRUE(r.has_value()) << r.error().mensagem;
    EXPECT_EQ(*r, c.passo);
  } else {
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().codigo, c.codigo);
    EXPECT_NE(r.error().mensagem.find(c.trecho), std::string::npos) << r.error().mensagem;
  }
}

const void* const P = BYTES.data();

INSTANTIATE_TEST_SUITE_P(
    Casos, Validacao,
    testing::Values(
        CasoDeImagem{"nv12_justo", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_OK, 1920, ""},
        CasoDeImagem{"nv12_com_folga", {NORVA_ESCRITOR_NV12, P, 2048 * 1620, 1920, 1080, 2048}, NORVA_ESCRITOR_OK, 2048, ""},
        CasoDeImagem{"nulo", {NORVA_ESCRITOR_NV12, nullptr, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_PONTEIRO_NULO, 0, "null"},
        CasoDeImagem{"720p", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1280, 720, 0}, NORVA_ESCRITOR_ERRO_DIMENSOES, 0, "1280x720"},
        CasoDeImagem{"altura_zero", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1920, 0, 0}, NORVA_ESCRITOR_ERRO_DIMENSOES, 0, "1920x0"},
        CasoDeImagem{"formato_zero", {0, P, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_FORMATO, 0, "unknown pixel format 0"},
        CasoDeImagem{"formato_99", {99, P, NV12_TIGHT, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_FORMATO, 0, "99"},
        CasoDeImagem{"passo_curto", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1920, 1080, 1919}, NORVA_ESCRITOR_ERRO_PASSO, 0, "stride 1919 for NV12"},
        CasoDeImagem{"passo_enorme", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1920, 1080, MAIOR_PASSO + 1}, NORVA_ESCRITOR_ERRO_PASSO, 0, "1048577"},
        CasoDeImagem{"um_byte_a_menos", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT - 1, 1920, 1080, 0}, NORVA_ESCRITOR_ERRO_TAMANHO, 0, "needs 3110400"},
        CasoDeImagem{"folga_sem_bytes", {NORVA_ESCRITOR_NV12, P, NV12_TIGHT, 1920, 1080, 2048}, NORVA_ESCRITOR_ERRO_TAMANHO, 0, "needs 3317760"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
}  // namespace norva::produtor
