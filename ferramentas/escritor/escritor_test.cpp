// The reference writer's platform-neutral parts: command line, Y4M header,
// I420 to NV12, frame files and the test card's drawn frame number.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ferramentas/escritor/arquivo_de_quadros.h"
#include "ferramentas/escritor/cartao_de_teste.h"
#include "ferramentas/escritor/opcoes.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::ferramentas {
namespace {

using Span = std::span<std::uint8_t, TAMANHO_DO_QUADRO>;
using SpanConst = std::span<const std::uint8_t, TAMANHO_DO_QUADRO>;

struct CasoDeOpcoes {
  const char* nome;
  std::vector<std::string> argumentos;
  bool valido;
  std::uint32_t fps;                // when valid
  const char* trecho_do_erro;       // when not
};

void PrintTo(const CasoDeOpcoes& c, std::ostream* os) { *os << c.nome; }

class Opcoes : public testing::TestWithParam<CasoDeOpcoes> {};

TEST_P(Opcoes, LeituraDaLinhaDeComando) {
  const CasoDeOpcoes& c = GetParam();
  const auto o = ler_opcoes(c.argumentos);
  ASSERT_EQ(o.has_value(), c.valido) << (o ? std::string() : o.error());
  if (c.valido) {
    EXPECT_EQ(o->quadros_por_segundo, c.fps);
  } else {
    EXPECT_NE(o.error().find(c.trecho_do_erro), std::string::npos) << o.error();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Opcoes,
    testing::Values(CasoDeOpcoes{"nada", {}, true, 30, ""},
                    CasoDeOpcoes{"tudo", {"--name", "Câmera", "--fps", "60", "--file", "a.y4m", "--frames", "9"}, true, 60, ""},
                    CasoDeOpcoes{"fps_um", {"--fps", "1"}, true, 1, ""},
                    CasoDeOpcoes{"fps_zero", {"--fps", "0"}, false, 0, "--fps takes"},
                    CasoDeOpcoes{"fps_demais", {"--fps", "1001"}, false, 0, "--fps takes"},
                    CasoDeOpcoes{"fps_texto", {"--fps", "30x"}, false, 0, "'30x'"},
                    CasoDeOpcoes{"fps_negativo", {"--fps", "-5"}, false, 0, "--fps takes"},
                    CasoDeOpcoes{"sem_valor", {"--file"}, false, 0, "needs a value"},
                    CasoDeOpcoes{"nome_vazio", {"--name", ""}, false, 0, "non-empty"},
                    CasoDeOpcoes{"desconhecida", {"--rate", "3"}, false, 0, "unknown option '--rate'"},
                    CasoDeOpcoes{"quadros_zero", {"--frames", "0"}, false, 0, "--frames"},
                    CasoDeOpcoes{"entrada_padrao", {"--file", "-", "--wait-for", "2"}, true, 30, ""},
                    CasoDeOpcoes{"esperar_17", {"--wait-for", "17"}, false, 0, "--wait-for takes"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(OpcoesAjuda, PedidaEListaAsOpcoes) {
  const auto o = ler_opcoes({"--help"});
  ASSERT_TRUE(o.has_value());
  EXPECT_TRUE(o->ajuda);
  for (const char* opcao : {"--name", "--fps", "--file", "--frames"}) {
    EXPECT_NE(texto_de_ajuda().find(opcao), std::string::npos) << opcao;
  }
}

struct CasoY4m {
  const char* nome;
  const char* linha;
  bool valido;
  const char* trecho_do_erro;
};

void PrintTo(const CasoY4m& c, std::ostream* os) { *os << c.nome; }

class CabecalhoY4mTeste : public testing::TestWithParam<CasoY4m> {};

TEST_P(CabecalhoY4mTeste, Leitura) {
  const auto c = ler_cabecalho_y4m(GetParam().linha);
  ASSERT_EQ(c.has_value(), GetParam().valido) << (c ? std::string() : c.error());
  if (!GetParam().valido) {
    EXPECT_NE(c.error().find(GetParam().trecho_do_erro), std::string::npos) << c.error();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CabecalhoY4mTeste,
    testing::Values(CasoY4m{"sem_c", "YUV4MPEG2 W1920 H1080 F30:1 Ip A1:1", true, ""},
                    CasoY4m{"c420jpeg", "YUV4MPEG2 W1920 H1080 F30000:1001 It A0:0 C420jpeg XYSCSS=420JPEG", true, ""},
                    CasoY4m{"c420mpeg2", "YUV4MPEG2 C420mpeg2 H1080 W1920", true, ""},
                    CasoY4m{"c420paldv", "YUV4MPEG2 W1920 H1080 C420paldv", true, ""},
                    CasoY4m{"c420", "YUV4MPEG2 W1920  H1080 C420", true, ""},
                    CasoY4m{"pequeno", "YUV4MPEG2 W1280 H720 C420", false, "1280x720"},
                    CasoY4m{"c422", "YUV4MPEG2 W1920 H1080 C422", false, "C422"},
                    CasoY4m{"c420p10", "YUV4MPEG2 W1920 H1080 C420p10", false, "C420p10"},
                    CasoY4m{"mono", "YUV4MPEG2 W1920 H1080 Cmono", false, "Cmono"},
                    CasoY4m{"sem_assinatura", "YUV4MPEG W1920 H1080", false, "signature"},
                    CasoY4m{"sem_h", "YUV4MPEG2 W1920", false, "W or H"},
                    CasoY4m{"w_texto", "YUV4MPEG2 Wabc H1080", false, "bad W"}),
    [](const auto& info) { return std::string(info.param.nome); });

// An I420 frame whose planes are told apart by value: Y i % 200, U 201, V 202
// except a marked first and last chroma sample.
std::vector<std::uint8_t> i420_de_teste(std::uint8_t marca) {
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  for (std::size_t i = 0; i < TAMANHO_DO_PLANO_Y; ++i) q[i] = static_cast<std::uint8_t>((i + marca) % 200);
  const std::size_t croma = TAMANHO_DO_PLANO_Y / 4;
  std::fill(q.begin() + TAMANHO_DO_PLANO_Y, q.begin() + TAMANHO_DO_PLANO_Y + croma, 201);
  std::fill(q.begin() + TAMANHO_DO_PLANO_Y + croma, q.end(), 202);
  q[TAMANHO_DO_PLANO_Y] = marca;         // first U
  q[TAMANHO_DO_QUADRO - 1] = marca;      // last V
  return q;
}

void conferir_nv12(const std::vector<std::uint8_t>& nv12, std::uint8_t marca) {
  for (std::size_t i = 0; i < TAMANHO_DO_PLANO_Y; i += 9973) {
    ASSERT_EQ(nv12[i], (i + marca) % 200) << "luma " << i;
  }
  EXPECT_EQ(nv12[TAMANHO_DO_PLANO_Y], marca);  // first U
  EXPECT_EQ(nv12[TAMANHO_DO_PLANO_Y + 1], 202);
  EXPECT_EQ(nv12[TAMANHO_DO_PLANO_Y + 2], 201);
  EXPECT_EQ(nv12[TAMANHO_DO_QUADRO - 2], 201);
  EXPECT_EQ(nv12[TAMANHO_DO_QUADRO - 1], marca);  // last V
}

TEST(I420ParaNv12, IntercalaUeV) {
  const auto i420 = i420_de_teste(7);
  std::vector<std::uint8_t> nv12(TAMANHO_DO_QUADRO);
  i420_para_nv12(SpanConst(i420.data(), TAMANHO_DO_QUADRO), Span(nv12.data(), TAMANHO_DO_QUADRO));
  conferir_nv12(nv12, 7);
}

class ArquivoTemporario {
 public:
  explicit ArquivoTemporario(const std::string& nome)
      : caminho_(std::filesystem::temp_directory_path() / teste::nome_unico(nome)) {}
  ~ArquivoTemporario() { std::filesystem::remove(caminho_); }
  void escrever(const std::string& texto) { std::ofstream(caminho_, std::ios::binary | std::ios::app) << texto; }
  void escrever(const std::vector<std::uint8_t>& bytes) {
    std::ofstream(caminho_, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::string caminho() const { return caminho_.string(); }

 private:
  std::filesystem::path caminho_;
};

TEST(ArquivoDeQuadrosTeste, Y4mConverteERecomeca) {
  ArquivoTemporario a("norva-teste.y4m");
  a.escrever("YUV4MPEG2 W1920 H1080 F30:1 C420jpeg\n");
  for (std::uint8_t marca : {1, 2}) {
    a.escrever(marca == 1 ? "FRAME\n" : "FRAME Ixyz\n");
    a.escrever(i420_de_teste(marca));
  }
  auto arquivo = ArquivoDeQuadros::abrir(a.caminho());
  ASSERT_TRUE(arquivo.has_value()) << arquivo.error();
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  for (std::uint8_t esperado : {1, 2, 1}) {
    ASSERT_TRUE(arquivo->proximo(Span(q.data(), TAMANHO_DO_QUADRO)).has_value());
    conferir_nv12(q, esperado);
  }
}

TEST(ArquivoDeQuadrosTeste, CruRecomecaNoFim) {
  ArquivoTemporario a("norva-teste.yuv");
  a.escrever(std::vector<std::uint8_t>(TAMANHO_DO_QUADRO, 10));
  a.escrever(std::vector<std::uint8_t>(TAMANHO_DO_QUADRO, 20));
  auto arquivo = ArquivoDeQuadros::abrir(a.caminho());
  ASSERT_TRUE(arquivo.has_value()) << arquivo.error();
  EXPECT_EQ(arquivo->quadros(), 2u);
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  for (std::uint8_t esperado : {10, 20, 10}) {
    ASSERT_TRUE(arquivo->proximo(Span(q.data(), TAMANHO_DO_QUADRO)).has_value());
    EXPECT_EQ(q.front(), esperado);
    EXPECT_EQ(q.back(), esperado);
  }
}

struct ArquivoRuim {
  const char* nome;
  std::string conteudo;
  const char* trecho_do_erro;
};

void PrintTo(const ArquivoRuim& c, std::ostream* os) { *os << c.nome; }

class ArquivoDeQuadrosRuim : public testing::TestWithParam<ArquivoRuim> {};

TEST_P(ArquivoDeQuadrosRuim, RecusadoComMotivo) {
  ArquivoTemporario a("norva-ruim");
  a.escrever(GetParam().conteudo);
  const auto arquivo = ArquivoDeQuadros::abrir(a.caminho());
  ASSERT_FALSE(arquivo.has_value());
  EXPECT_NE(arquivo.error().find(GetParam().trecho_do_erro), std::string::npos) << arquivo.error();
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ArquivoDeQuadrosRuim,
    testing::Values(ArquivoRuim{"vazio", "", "0 bytes"},
                    ArquivoRuim{"cru_um_byte_a_mais", std::string(TAMANHO_DO_QUADRO + 1, 'x'), "3110401 bytes"},
                    ArquivoRuim{"y4m_pequeno", "YUV4MPEG2 W640 H480 C420\nFRAME\n", "640x480"},
                    ArquivoRuim{"y4m_sem_quadro", "YUV4MPEG2 W1920 H1080 C420\nFRAME\nabc", "no whole"}),
    [](const auto& info) { return std::string(info.param.nome); });

// Standard input plays once: Y4M and raw frames in order, then a clean end;
// a raw stream cut inside a frame is an error.
TEST(ArquivoDeQuadrosTeste, FluxoTocaUmaVez) {
  std::vector<std::uint8_t> i420(TAMANHO_DO_QUADRO, 7), nv12(TAMANHO_DO_QUADRO);
  std::string y4m = "YUV4MPEG2 W1920 H1080 F30:1 C420jpeg\n";
  std::string cru;
  for (std::uint8_t n : {1, 2}) {
    std::fill_n(i420.begin(), TAMANHO_DO_PLANO_Y, n);
    y4m += "FRAME\n" + std::string(i420.begin(), i420.end());
    cru += std::string(TAMANHO_DO_QUADRO, static_cast<char>(n));
  }
  for (const std::string* dados : {&y4m, &cru}) {
    std::istringstream fluxo(*dados);
    auto f = ArquivoDeQuadros::de_fluxo(fluxo);
    ASSERT_TRUE(f.has_value()) << f.error();
    for (std::uint8_t n : {1, 2}) {
      ASSERT_TRUE(f->proximo(Span(nv12)).has_value());
      EXPECT_EQ(nv12[0], n);
      EXPECT_EQ(nv12[TAMANHO_DO_QUADRO - 1], dados == &y4m ? 7 : n);
    }
    EXPECT_FALSE(f->proximo(Span(nv12)).has_value());
    EXPECT_TRUE(f->acabou());
  }
  std::istringstream cortado(cru.substr(0, TAMANHO_DO_QUADRO + 5));
  auto f = ArquivoDeQuadros::de_fluxo(cortado);
  ASSERT_TRUE(f.has_value());
  ASSERT_TRUE(f->proximo(Span(nv12)).has_value());
  const auto r = f->proximo(Span(nv12));
  ASSERT_FALSE(r.has_value());
  EXPECT_FALSE(f->acabou());
  EXPECT_NE(r.error().find("5 of 3110400"), std::string::npos) << r.error();
}

TEST(ArquivoDeQuadrosTeste, Inexistente) {
  const auto arquivo = ArquivoDeQuadros::abrir("/nao/existe/norva.yuv");
  ASSERT_FALSE(arquivo.has_value());
  EXPECT_NE(arquivo.error().find("cannot open"), std::string::npos);
}

TEST(CartaoDeTesteTeste, NumeroDoQuadroLegivelNaImagem) {
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  std::vector<std::uint8_t> anterior;
  for (std::uint64_t n : {0ull, 7ull, 10ull, 12345678ull, 99999999ull, 100000123ull}) {
    CartaoDeTeste::desenhar(n, Span(q.data(), TAMANHO_DO_QUADRO));
    EXPECT_EQ(CartaoDeTeste::ler_numero(SpanConst(q.data(), TAMANHO_DO_QUADRO)), n % 100000000) << "n " << n;
    EXPECT_NE(q, anterior) << "n " << n;
    anterior = q;
  }
}

}  // namespace
}  // namespace norva::ferramentas
