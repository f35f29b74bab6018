// The reference writer's platform-neutral parts: command line, Y4M header,
// frame files and streams (I420 to NV12) and the test card's drawn number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ferramentas/escritor/arquivo_de_quadros.h"
#include "ferramentas/escritor/cartela.h"
#include "ferramentas/escritor/opcoes.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::ferramentas {
namespace {

using Span = std::span<std::uint8_t, TAMANHO_DO_QUADRO>;
constexpr auto NADA = std::string::npos;

// A valid line reads back as "fps N" (and " help"); an invalid one gives an
// error holding the text.
TEST(Opcoes, LeituraDaLinhaDeComando) {
  const std::pair<std::vector<std::string>, std::string> casos[] = {
      {{}, "fps 30"},
      {{"--name", "Câmera", "--fps", "60", "--file", "a.y4m", "--frames", "9"}, "fps 60"},
      {{"--fps", "1"}, "fps 1"},
      {{"--file", "-", "--wait-for", "2"}, "fps 30"},
      {{"--help"}, "fps 30 help"},
      {{"--fps", "0"}, "--fps takes"},
      {{"--fps", "1001"}, "--fps takes"},
      {{"--fps", "30x"}, "'30x'"},
      {{"--fps", "-5"}, "--fps takes"},
      {{"--file"}, "needs a value"},
      {{"--name", ""}, "non-empty"},
      {{"--rate", "3"}, "unknown option '--rate'"},
      {{"--frames", "0"}, "--frames"},
      {{"--wait-for", "17"}, "--wait-for takes"},
  };
  for (const auto& [argumentos, esperado] : casos) {
    const auto o = ler_opcoes(argumentos);
    const std::string lido =
        o ? "fps " + std::to_string(o->quadros_por_segundo) + (o->ajuda ? " help" : "") : o.error();
    EXPECT_TRUE(o ? lido == esperado : lido.find(esperado) != NADA)
        << testing::PrintToString(argumentos) << ": " << lido;
  }
}

// An I420 frame: luma and U all `n`, V all `n + 100`. (Conversion byte for
// byte is the ffmpeg test's, against ffmpeg's own NV12.)
std::string i420(char n) {
  return std::string(TAMANHO_DO_PLANO_Y * 5 / 4, n) + std::string(TAMANHO_DO_PLANO_Y / 4, static_cast<char>(n + 100));
}

// A file of this process holding `conteudo`, removed at the end.
struct ArquivoTemporario {
  std::filesystem::path caminho = std::filesystem::temp_directory_path() / teste::nome_unico("norva-quadros");
  explicit ArquivoTemporario(const std::string& conteudo) { std::ofstream(caminho, std::ios::binary) << conteudo; }
  ~ArquivoTemporario() { std::filesystem::remove(caminho); }
};

// A file plays in a loop, standard input once to a clean end; Y4M frames are
// converted, raw ones taken as they are.
TEST(ArquivoDeQuadros, ArquivoEmLacoFluxoUmaVez) {
  const std::string y4m =
      "YUV4MPEG2 W1920 H1080 F30:1 C420jpeg\nFRAME\n" + i420(1) + "FRAME Ixyz\n" + i420(2);
  const std::string cru = std::string(TAMANHO_DO_QUADRO, 1) + std::string(TAMANHO_DO_QUADRO, 2);
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  for (const bool fluxo : {false, true}) {
    for (const std::string* dados : {&y4m, &cru}) {
      SCOPED_TRACE(std::string(fluxo ? "stream, " : "file, ") + (dados == &y4m ? "Y4M" : "raw"));
      const ArquivoTemporario a(*dados);
      std::istringstream entrada(*dados);
      auto f = fluxo ? ArquivoDeQuadros::de_fluxo(entrada) : ArquivoDeQuadros::abrir(a.caminho.string());
      ASSERT_TRUE(f.has_value()) << f.error();
      for (std::uint8_t n : {1, 2}) {
        ASSERT_TRUE(f->proximo(Span(q)).has_value());
        const int v = dados == &y4m ? n + 100 : n;  // U and V interleaved, each in its place
        EXPECT_TRUE(q.front() == n && q[TAMANHO_DO_PLANO_Y] == n && q[TAMANHO_DO_PLANO_Y + 1] == v && q.back() == v);
      }
      EXPECT_EQ(f->proximo(Span(q)).has_value(), !fluxo);
      EXPECT_EQ(f->acabou(), fluxo);
      EXPECT_TRUE(fluxo || q[0] == 1) << "the file did not start again";
      EXPECT_EQ(f->quadros(), !fluxo && dados == &cru ? 2u : 0u);  // known for raw files only
    }
  }
  // Raw input cut inside a frame.
  std::istringstream cortado(cru.substr(0, TAMANHO_DO_QUADRO + 5));
  auto f = ArquivoDeQuadros::de_fluxo(cortado);
  ASSERT_TRUE(f.has_value() && f->proximo(Span(q)).has_value());
  const auto r = f->proximo(Span(q));
  ASSERT_FALSE(r.has_value());
  EXPECT_FALSE(f->acabou());
  EXPECT_NE(r.error().find("5 of 3110400"), NADA) << r.error();
}

// Y4M headers and files, accepted or refused with the reason.
TEST(ArquivoDeQuadros, AceitoOuRecusadoComMotivo) {
  const std::string quadro = "\nFRAME\n" + std::string(TAMANHO_DO_QUADRO, '\0');
  const std::pair<std::string, const char*> casos[] = {  // content, error (null: accepted)
      {"YUV4MPEG2 W1920 H1080 F30:1 Ip A1:1" + quadro, nullptr},
      {"YUV4MPEG2 W1920 H1080 F30000:1001 It A0:0 C420jpeg XYSCSS=420JPEG" + quadro, nullptr},
      {"YUV4MPEG2 C420mpeg2 H1080 W1920" + quadro, nullptr},
      {"YUV4MPEG2 W1920 H1080 C420paldv" + quadro, nullptr},
      {"YUV4MPEG2 W1920  H1080 C420" + quadro, nullptr},
      {"YUV4MPEG2 W1280 H720 C420" + quadro, "1280x720"},
      {"YUV4MPEG2 W1920 H1080 C422" + quadro, "C422"},
      {"YUV4MPEG2 W1920 H1080 C420p10" + quadro, "C420p10"},
      {"YUV4MPEG2 W1920 H1080 Cmono" + quadro, "Cmono"},
      {"YUV4MPEG2X W1920 H1080" + quadro, "signature"},
      {"YUV4MPEG2 W1920" + quadro, "W or H"},
      {"YUV4MPEG2 Wabc H1080" + quadro, "bad W"},
      {"YUV4MPEG2 W1920 H1080 C420\nFRAME\nabc", "no whole"},
      {"", "0 bytes"},
      {std::string(TAMANHO_DO_QUADRO + 1, 'x'), "3110401 bytes"},
  };
  for (const auto& [conteudo, erro] : casos) {
    const ArquivoTemporario a(conteudo);
    const auto arquivo = ArquivoDeQuadros::abrir(a.caminho.string());
    EXPECT_TRUE(erro == nullptr ? arquivo.has_value() : !arquivo && arquivo.error().find(erro) != NADA)
        << conteudo.substr(0, 40) << ": " << (arquivo ? "accepted" : arquivo.error());
  }
  const auto inexistente = ArquivoDeQuadros::abrir("/nao/existe/norva.yuv");
  EXPECT_TRUE(!inexistente && inexistente.error().find("cannot open") != NADA);
}

TEST(Cartela, NumeroDoQuadroLegivelNaImagem) {
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  std::vector<std::uint8_t> anterior;
  for (std::uint64_t n : {0ull, 7ull, 10ull, 12345678ull, 99999999ull, 100000123ull}) {
    Cartela::desenhar(n, Span(q));
    EXPECT_EQ(Cartela::ler_numero(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q)), n % 100000000) << n;
    EXPECT_NE(q, anterior) << "n " << n;
    anterior = q;
  }
}

}  // namespace
}  // namespace norva::ferramentas
