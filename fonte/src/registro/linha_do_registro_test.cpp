#include "fonte/src/registro/linha_do_registro.h"

#include <gtest/gtest.h>

#include <string>

namespace norva {
namespace {

TEST(FormatarCarimbo, CamposComZerosAEsquerdaNuncaCortados) {
  EXPECT_EQ(formatar_carimbo({2026, 1, 2, 3, 4, 5, 7}), "2026-01-02 03:04:05.007");
  EXPECT_EQ(formatar_carimbo({987, 10, 11, 12, 13, 14, 150}), "0987-10-11 12:13:14.150");
  EXPECT_EQ(formatar_carimbo({65535, 100, 1, 1, 1, 1, 1000}), "65535-100-01 01:01:01.1000");
}

TEST(EtiquetaDoConsumidor, PeloNomeDoExecutavel) {
  constexpr std::string_view OUTRO = ETIQUETA_OUTRO_CONSUMIDOR;
  const struct {
    std::string caminho;
    std::string_view etiqueta;
  } casos[] = {
      {"C:\\Program Files\\Example\\bin\\OBS64.EXE", "obs"}, {"D:\\obs\\obs32.exe", "obs"},
      {"C:\\Windows\\System32\\svchost.exe", "svchost"}, {"C:\\Windows\\System32\\DllHost.Exe", "dllhost"},
      {"C:\\Program Files\\Norva\\norva-app.exe", "norva"}, {"C:\\x\\NORVA-CAMERA-VIGIA.EXE", "norva"},
      {"obs64.exe", "obs"}, {"C:\\Tools\\obs.exe", OUTRO}, {"", OUTRO}, {"C:\\Tools\\obs64.exe\\", OUTRO},
      {"C:/Tools/obs64.exe", OUTRO},  // only the backslash separates
      {"C:\\Tools\\xobs64.exe", OUTRO}, {"C:\\Tools\\obs64.ex", OUTRO},
      {"C:\\Windows\\SVCHOST.EX\xC4\xB0", OUTRO},  // only A-Z are lower-cased
  };
  for (const auto& c : casos) EXPECT_EQ(etiqueta_do_consumidor(c.caminho), c.etiqueta) << c.caminho;
}

TEST(MontarLinha, LayoutCompleto) {
  const Carimbo carimbo{2026, 12, 5, 6, 25, 21, 42};
  EXPECT_EQ(montar_linha(carimbo, "svchost", 4120, 7788, "fonte de mídia criada (1920x1080 NV12 30fps)"),
            "2026-12-05 06:25:21.042 [svchost pid=4120 tid=7788] fonte de mídia criada (1920x1080 NV12 30fps)\n");
  EXPECT_EQ(montar_linha(carimbo, "obs", 0, 4294967295u, ""), "2026-12-05 06:25:21.042 [obs pid=0 tid=4294967295] \n");
}

}  // namespace
}  // namespace norva
