// The pipe's protocol: the pipe's name, the header check and its refusal
// line, the field order on the wire. (Reading packets however the writer
// split its writes: leitura_fuzz.cpp with its seeds; a stop during a
// blocked read: cano_test.cpp.)
#include "fonte/src/quadros/protocolo.h"

#include <gtest/gtest.h>

namespace norva {
namespace {

struct CasoDeNome {
  const char* caso;
  std::optional<std::string> nome_amigavel;
  std::string esperado;
};

const std::string PADRAO = R"(\\.\pipe\norva-camera-v1)";

class NomeDoCano : public testing::TestWithParam<CasoDeNome> {};

TEST_P(NomeDoCano, Regra) { EXPECT_EQ(nome_do_cano(GetParam().nome_amigavel), GetParam().esperado); }

INSTANTIATE_TEST_SUITE_P(
    Casos, NomeDoCano,
    testing::Values(CasoDeNome{"ausente", std::nullopt, PADRAO}, CasoDeNome{"vazio", std::string{}, PADRAO},
                    // Published FNV-1a 64 vectors: the hash runs over bytes.
                    CasoDeNome{"a", "a", PADRAO + "-af63dc4c8601ec8c"},
                    CasoDeNome{"foobar", "foobar", PADRAO + "-85944171f73967e8"},
                    // Leading zeros kept: 16 digits always.
                    CasoDeNome{"zeros_a_esquerda", "baa", PADRAO + "-0039231913392937"}),
    [](const auto& info) { return std::string(info.param.caso); });

constexpr std::uint32_t TAMANHO_CERTO = 3110400;

struct CasoDeCabecalho {
  const char* nome;
  CabecalhoDoQuadro cabecalho;
  const char* valores;  // as the refusal's log line shows them; null when accepted
};

const CasoDeCabecalho CASOS_DE_CABECALHO[] = {
    {"contrato", {0x56524F4E, 1920, 1080, TAMANHO_CERTO, 7}, nullptr},
    {"tudo_zero", {0, 0, 0, 0, 0}, "magico=0x0 0x0 0B"},
    {"hd_720p", {0x56524F4E, 1280, 720, 1382400, 0}, "magico=0x56524f4e 1280x720 1382400B"},
    {"maximos", {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0},
     "magico=0xffffffff 4294967295x4294967295 4294967295B"},
};

class Cabecalho : public testing::TestWithParam<CasoDeCabecalho> {};

TEST_P(Cabecalho, VerificacaoEMensagem) {
  const CasoDeCabecalho& c = GetParam();
  // Through the wire bytes, as the reader sees them.
  const CabecalhoDoQuadro lido = CabecalhoDoQuadro::ler(c.cabecalho.codificar());
  EXPECT_EQ(lido.aceitavel(), c.valores == nullptr);
  if (c.valores != nullptr) {
    EXPECT_EQ(lido.mensagem_de_recusa(), std::string("cabeçalho fora do contrato (") + c.valores +
                                             "); fechando o cano em vez de tentar adivinhar");
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, Cabecalho, testing::ValuesIn(CASOS_DE_CABECALHO),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(CabecalhoBytes, OrdemNoFio) {
  // "NORV", then 1920, 1080, 3110400 and the timestamp, little-endian.
  const auto bytes = CabecalhoDoQuadro::para_quadro(0x0102030405060708);
  const CabecalhoDoQuadro::Bytes esperado = {'N',  'O',  'R',  'V',  0x80, 0x07, 0x00, 0x00,
                                             0x38, 0x04, 0x00, 0x00, 0x00, 0x76, 0x2F, 0x00,
                                             0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(bytes, esperado);
}

TEST(CabecalhoBytes, CadaCampoErradoSozinhoRecusa) {
  // Any single byte changed in the four checked fields makes the header
  // unacceptable; the timestamp's bytes never do.
  const auto certo = CabecalhoDoQuadro::para_quadro(0);
  for (std::size_t i = 0; i < CabecalhoDoQuadro::TAMANHO; ++i) {
    for (int delta : {1, 0x80}) {
      auto bytes = certo;
      bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ delta);
      EXPECT_EQ(CabecalhoDoQuadro::ler(bytes).aceitavel(), i >= CabecalhoDoQuadro::POSICAO_DO_TS)
          << "byte " << i << " xor " << delta;
    }
  }
}

}  // namespace
}  // namespace norva
