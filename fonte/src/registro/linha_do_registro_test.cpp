#include "fonte/src/registro/linha_do_registro.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "fonte/src/registro/registro_teste.h"

namespace norva {
namespace {

struct CasoDeCarimbo {
  const char* nome;
  Carimbo carimbo;
  const char* esperado;
};

void PrintTo(const CasoDeCarimbo& c, std::ostream* os) { *os << c.nome; }

class FormatoDoCarimbo : public testing::TestWithParam<CasoDeCarimbo> {};

TEST_P(FormatoDoCarimbo, CamposComZerosAEsquerda) {
  EXPECT_EQ(formatar_carimbo(GetParam().carimbo), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, FormatoDoCarimbo,
    testing::Values(CasoDeCarimbo{"exemplo", {2026, 12, 5, 6, 25, 21, 42}, "2026-12-05 06:25:21.042"},
                    CasoDeCarimbo{"sete_ms", {2026, 1, 2, 3, 4, 5, 7}, "2026-01-02 03:04:05.007"},
                    CasoDeCarimbo{"zeros", {0, 0, 0, 0, 0, 0, 0}, "0000-00-00 00:00:00.000"},
                    CasoDeCarimbo{"ano_curto", {987, 10, 11, 12, 13, 14, 150}, "0987-10-11 12:13:14.150"},
                    CasoDeCarimbo{"maximos", {9999, 12, 31, 23, 59, 59, 999}, "9999-12-31 23:59:59.999"},
                    // Wider values are printed whole, never cut to the width.
                    CasoDeCarimbo{"largos", {65535, 100, 1, 1, 1, 1, 1000}, "65535-100-01 01:01:01.1000"}));

struct CasoDeEtiqueta {
  const char* nome;
  std::string caminho;
  const char* etiqueta;
};

void PrintTo(const CasoDeEtiqueta& c, std::ostream* os) { *os << c.nome << " (" << c.caminho << ")"; }

class EtiquetaDoConsumidor : public testing::TestWithParam<CasoDeEtiqueta> {};

TEST_P(EtiquetaDoConsumidor, PeloNomeDoExecutavel) {
  EXPECT_EQ(etiqueta_do_consumidor(GetParam().caminho), GetParam().etiqueta);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, EtiquetaDoConsumidor,
    testing::Values(
        CasoDeEtiqueta{"obs64_maiusculo", "C:\\Program Files\\Example\\bin\\OBS64.EXE", "obs"},
        CasoDeEtiqueta{"obs32", "D:\\obs\\obs32.exe", "obs"},
        CasoDeEtiqueta{"svchost", "C:\\Windows\\System32\\svchost.exe", "svchost"},
        CasoDeEtiqueta{"dllhost_misto", "C:\\Windows\\System32\\DllHost.Exe", "dllhost"},
        CasoDeEtiqueta{"norva_app", "C:\\Program Files\\Norva\\norva-app.exe", "norva"},
        CasoDeEtiqueta{"norva_vigia", "C:\\x\\NORVA-CAMERA-VIGIA.EXE", "norva"},
        CasoDeEtiqueta{"so_o_nome", "obs64.exe", "obs"},
        CasoDeEtiqueta{"prefixo_longo", "\\\\?\\C:\\very\\long\\svchost.exe", "svchost"},
        CasoDeEtiqueta{"obs_sem_numero", "C:\\Tools\\obs.exe", "outro-consumidor"},
        CasoDeEtiqueta{"vazio", "", "outro-consumidor"},
        CasoDeEtiqueta{"barra_no_fim", "C:\\Tools\\obs64.exe\\", "outro-consumidor"},
        // Only the backslash separates: this whole text is the name.
        CasoDeEtiqueta{"barra_normal", "C:/Tools/obs64.exe", "outro-consumidor"},
        CasoDeEtiqueta{"nome_a_mais", "C:\\Tools\\xobs64.exe", "outro-consumidor"},
        CasoDeEtiqueta{"nome_a_menos", "C:\\Tools\\obs64.ex", "outro-consumidor"},
        CasoDeEtiqueta{"espaco_no_fim", "C:\\Tools\\obs64.exe ", "outro-consumidor"},
        // Only A-Z are lower-cased: U+0130 and the Kelvin sign stay as they are.
        CasoDeEtiqueta{"i_com_ponto", "C:\\Windows\\SVCHOST.EX\xC4\xB0", "outro-consumidor"},
        CasoDeEtiqueta{"kelvin", "C:\\Tools\\\xE2\x84\xAA" "64.exe", "outro-consumidor"}));

TEST(MontarLinha, LayoutCompleto) {
  const Carimbo carimbo{2026, 12, 5, 6, 25, 21, 42};
  EXPECT_EQ(montar_linha(carimbo, "svchost", 4120, 7788, "fonte de mídia criada (1920x1080 NV12 30fps)"),
            "2026-12-05 06:25:21.042 [svchost pid=4120 tid=7788] fonte de mídia criada (1920x1080 NV12 30fps)\n");
  // An empty message ends right after "] ".
  EXPECT_EQ(montar_linha(carimbo, "obs", 0, 4294967295u, ""),
            "2026-12-05 06:25:21.042 [obs pid=0 tid=4294967295] \n");
}

TEST(LerLinha, DesfazOQueMontarLinhaFez) {
  const std::string linha = montar_linha({2026, 3, 4, 5, 6, 7, 8}, "outro-consumidor", 12, 345, "a ] b pid=9 ");
  const auto lida = teste::ler_linha(std::string_view(linha).substr(0, linha.size() - 1));
  ASSERT_TRUE(lida.has_value());
  EXPECT_EQ(lida->carimbo, "2026-03-04 05:06:07.008");
  EXPECT_EQ(lida->etiqueta, "outro-consumidor");
  EXPECT_EQ(lida->pid, 12u);
  EXPECT_EQ(lida->tid, 345u);
  EXPECT_EQ(lida->mensagem, "a ] b pid=9 ");
}

TEST(LerLinha, RecusaLinhasForaDoLayout) {
  const char* const ruins[] = {
      "",
      "2026-03-04 05:06:07.08 [obs pid=1 tid=2] x",   // short milliseconds
      "2026-03-04 05:06:07.008 [obs pid=1 tid=2]x",   // no blank after "]"
      "2026-03-04 05:06:07.008 [obs pid=01 tid=2] x",  // leading zero
      "2026-03-04 05:06:07.008 [obs pid= tid=2] x",
      "2026-03-04 05:06:07.008 [ pid=1 tid=2] x",
      "2026-03-04 05:06:07.008 [obs pid=1 tid=2x] y",
      "2026-03-04 05:06:2026-03-04 05:06:07.008 [obs pid=1 tid=2] x",  // two lines run together
  };
  for (const char* ruim : ruins) EXPECT_FALSE(teste::ler_linha(ruim).has_value()) << ruim;
}

}  // namespace
}  // namespace norva
