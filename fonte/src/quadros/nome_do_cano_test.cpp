#include "fonte/src/quadros/nome_do_cano.h"

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

}  // namespace
}  // namespace norva
