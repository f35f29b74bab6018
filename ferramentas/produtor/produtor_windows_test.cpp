// The library over real named pipes (under Wine in CI), through its C
// interface, with the camera's own pipe client as the reader. Each test owns
// a pipe named after the test and the process.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <map>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/produtor/norva_escritor.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/registro/utf8.h"

namespace norva::produtor {
namespace {

using namespace std::chrono_literals;
using teste::esperar_ate;
using teste::mesmos_bytes;
using teste::quadro_de_teste;

constexpr std::uint32_t PASSO_COM_FOLGA = 2048;
constexpr auto ESPERA_LONGA = 10s;

std::string nome_unico() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::string("P ") + info->name() + " " + std::to_string(GetCurrentProcessId());
}

norva_escritor_estatisticas estatisticas(norva_escritor e) {
  norva_escritor_estatisticas s{};
  EXPECT_EQ(norva_escritor_estatisticas_de(e, &s), NORVA_ESCRITOR_OK);
  return s;
}

// The frame as NV12 rows of PASSO_COM_FOLGA bytes, the padding scribbled.
std::vector<std::uint8_t> com_folga(const std::vector<std::uint8_t>& quadro) {
  std::vector<std::uint8_t> r(std::size_t{PASSO_COM_FOLGA} * ALTURA * 3 / 2, 0xEE);
  for (std::size_t linha = 0; linha < ALTURA * 3 / 2; ++linha) {
    std::memcpy(r.data() + linha * PASSO_COM_FOLGA, quadro.data() + linha * LARGURA, LARGURA);
  }
  return r;
}

// A client that connects and reads nothing until asked: a stalled camera.
class ClienteParado {
 public:
  explicit ClienteParado(const std::string& nome)
      : cano_(CreateFileW(largo_de_utf8(nome).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ClienteParado() {
    if (cano_ != INVALID_HANDLE_VALUE) CloseHandle(cano_);
  }
  bool aberto() const { return cano_ != INVALID_HANDLE_VALUE; }
  // One whole record: its timestamp, or nothing if the pipe broke.
  std::optional<std::uint64_t> ler_registro() {
    std::vector<std::uint8_t> r(TAMANHO_DO_PACOTE);
    for (std::size_t lidos = 0; lidos < r.size();) {
      DWORD n = 0;
      if (!ReadFile(cano_, r.data() + lidos, static_cast<DWORD>(r.size() - lidos), &n, nullptr) || n == 0) return {};
      lidos += n;
    }
    return CabecalhoDoQuadro::ler(std::span<const std::uint8_t, CabecalhoDoQuadro::TAMANHO>(r.data(), 24)).ts_do_host;
  }

 private:
  HANDLE cano_;
};

TEST(Produtor, CadaCameraRecebeCadaQuadroMesmoComUmClienteParado) {
  const std::string nome = nome_unico();
  norva_escritor e = 0;
  ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_OK) << norva_escritor_ultima_mensagem();
  std::shared_ptr<Cano> cameras[] = {Cano::novo(), Cano::novo()};
  for (auto& c : cameras) c->iniciar(nome);
  ASSERT_TRUE(esperar_ate([&] { return estatisticas(e).clientes_conectados == 2; }, ESPERA_LONGA));
  ClienteParado parado(nome_do_cano(nome));
  ASSERT_TRUE(parado.aberto()) << GetLastError();
  ASSERT_TRUE(esperar_ate([&] { return estatisticas(e).clientes_conectados == 3; }, ESPERA_LONGA));

  constexpr std::uint32_t QUADROS = 6;
  for (std::uint32_t i = 1; i <= QUADROS; ++i) {
    const auto quadro = quadro_de_teste(i);
    const auto pixels = com_folga(quadro);
    ASSERT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, pixels.data(), pixels.size(), LARGURA, ALTURA,
                                    PASSO_COM_FOLGA, i),
              NORVA_ESCRITOR_OK)
        << norva_escritor_ultima_mensagem();
    for (std::size_t c = 0; c < std::size(cameras); ++c) {
      const QuadroEntregue q = cameras[c]->obter_quadro(ESPERA_LONGA);
      ASSERT_EQ(q.origem, Origem::Cano) << "camera " << c << " frame " << i;
      EXPECT_TRUE(mesmos_bytes(q.dados, quadro)) << "camera " << c << " frame " << i;
      EXPECT_EQ(cameras[c]->contadores().ts_do_host, i) << "camera " << c;
    }
  }
  EXPECT_EQ(estatisticas(e).quadros_aceitos, QUADROS);

  // The stalled client wakes up: after what the pipe held it gets the newest
  // frame, not the ones in between.
  std::vector<std::uint64_t> lidos;
  while (lidos.empty() || lidos.back() != QUADROS) {
    const auto ts = parado.ler_registro();
    ASSERT_TRUE(ts.has_value()) << "after " << lidos.size() << " records";
    lidos.push_back(*ts);
  }
  EXPECT_LT(lidos.size(), QUADROS) << "no frame was skipped";
  EXPECT_TRUE(esperar_ate([&] { return estatisticas(e).quadros_pulados > 0; }));

  ASSERT_EQ(norva_escritor_fechar(e), NORVA_ESCRITOR_OK);
  for (auto& c : cameras) {
    EXPECT_TRUE(esperar_ate([&] { return !c->contadores().conectado; }, ESPERA_LONGA));
    c->encerrar();
  }
  // Use after close: a clear error, then closing again changes nothing.
  const auto quadro = quadro_de_teste(0);
  EXPECT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size(), LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_FECHADO);
  EXPECT_NE(std::string(norva_escritor_ultima_mensagem()).find("closed"), std::string::npos);
  norva_escritor_estatisticas s{};
  EXPECT_EQ(norva_escritor_estatisticas_de(e, &s), NORVA_ESCRITOR_ERRO_FECHADO);
  EXPECT_EQ(norva_escritor_fechar(e), NORVA_ESCRITOR_OK);
}

TEST(Produtor, EntradaRuimNaoChegaAoCano) {
  norva_escritor e = 0;
  EXPECT_EQ(norva_escritor_abrir(nullptr, nullptr), NORVA_ESCRITOR_ERRO_PONTEIRO_NULO);
  EXPECT_EQ(norva_escritor_abrir("\xff\xfe", &e), NORVA_ESCRITOR_ERRO_NOME);
  EXPECT_EQ(e, 0u);
  EXPECT_STREQ(norva_escritor_texto_do_erro(999), "unknown error");

  const std::string nome = nome_unico();
  ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_OK) << norva_escritor_ultima_mensagem();
  EXPECT_EQ(norva_escritor_estatisticas_de(e, nullptr), NORVA_ESCRITOR_ERRO_PONTEIRO_NULO);
  auto camera = Cano::novo();
  camera->iniciar(nome);
  ASSERT_TRUE(esperar_ate([&] { return camera->contadores().conectado; }, ESPERA_LONGA));
  const auto quadro = quadro_de_teste(1);
  EXPECT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size(), 1280, 720, 0, 0),
            NORVA_ESCRITOR_ERRO_DIMENSOES);
  EXPECT_NE(std::string(norva_escritor_ultima_mensagem()).find("1280x720"), std::string::npos);
  EXPECT_EQ(norva_escritor_enviar(e, 42, quadro.data(), quadro.size(), LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_FORMATO);
  EXPECT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size() - 1, LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_TAMANHO);
  EXPECT_EQ(norva_escritor_enviar(e + 1000, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size(), LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_FECHADO);
  // A good frame after the refused ones is the first the camera receives.
  ASSERT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size(), LARGURA, ALTURA, 0, 7),
            NORVA_ESCRITOR_OK);
  const QuadroEntregue q = camera->obter_quadro(ESPERA_LONGA);
  EXPECT_TRUE(q.origem == Origem::Cano && mesmos_bytes(q.dados, quadro));
  EXPECT_EQ(camera->contadores().recebidos, 1u);
  EXPECT_EQ(estatisticas(e).quadros_aceitos, 1u);
  camera->encerrar();
  EXPECT_EQ(norva_escritor_fechar(e), NORVA_ESCRITOR_OK);
}

// Someone already serves the pipe: the library itself in this process, or
// another writer that creates instances freely.
TEST(Produtor, CanoJaServidoRecusaComONome) {
  const std::string nome = nome_unico();
  const std::string caminho = nome_do_cano(nome);
  for (const bool outro_escritor : {false, true}) {
    SCOPED_TRACE(outro_escritor ? "held by another writer" : "held by the library");
    norva_escritor primeiro = 0;
    std::optional<ferramentas::ServidorDoCano> outro;
    if (outro_escritor) {
      outro.emplace(caminho);
      ASSERT_EQ(outro->preparar(), 0u);
    } else {
      ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &primeiro), NORVA_ESCRITOR_OK);
    }
    norva_escritor segundo = 0;
    const int r = norva_escritor_abrir(nome.c_str(), &segundo);
    const std::string mensagem = norva_escritor_ultima_mensagem();
    norva_escritor_fechar(segundo);
    norva_escritor_fechar(primeiro);
    EXPECT_EQ(r, NORVA_ESCRITOR_ERRO_CANO_OCUPADO) << mensagem;
    EXPECT_NE(mensagem.find(caminho), std::string::npos) << mensagem;
  }
}

// The pipe's access list as a client reads it back: SID -> rights.
TEST(Produtor, ListaDeAcessoDoCano) {
  const std::string nome = nome_unico();
  norva_escritor e = 0;
  ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_OK);
  HANDLE cliente = CreateFileW(largo_de_utf8(nome_do_cano(nome)).c_str(), GENERIC_READ | READ_CONTROL, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(cliente, INVALID_HANDLE_VALUE) << GetLastError();
  PACL lista = nullptr;
  PSECURITY_DESCRIPTOR descritor = nullptr;
  const DWORD r = GetSecurityInfo(cliente, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &lista,
                                  nullptr, &descritor);
  std::map<std::string, DWORD> direitos;
  for (DWORD i = 0; r == ERROR_SUCCESS && lista != nullptr && i < lista->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(lista, i, reinterpret_cast<void**>(&ace)));
    ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    wchar_t* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(&ace->SidStart, &sid));
    direitos[utf8_de_utf16(std::wstring_view(sid))] = ace->Mask;
    LocalFree(sid);
  }
  if (descritor != nullptr) LocalFree(descritor);
  CloseHandle(cliente);
  norva_escritor_fechar(e);
  ASSERT_EQ(r, static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(lista, nullptr) << "no access list: everyone may open the pipe";
  ASSERT_EQ(direitos.size(), 3u);
  EXPECT_EQ(direitos["S-1-5-18"], static_cast<DWORD>(FILE_ALL_ACCESS));    // SYSTEM
  EXPECT_EQ(direitos["S-1-5-19"], static_cast<DWORD>(FILE_GENERIC_READ));  // LOCAL SERVICE
  std::erase_if(direitos, [](const auto& d) { return d.first == "S-1-5-18" || d.first == "S-1-5-19"; });
  ASSERT_EQ(direitos.size(), 1u);
  EXPECT_TRUE(direitos.begin()->first.starts_with("S-1-5-21-")) << direitos.begin()->first;  // the user
  EXPECT_EQ(direitos.begin()->second, static_cast<DWORD>(FILE_ALL_ACCESS));
}

}  // namespace
}  // namespace norva::produtor
