// The library over real named pipes (under Wine in CI), through its C
// interface, with the camera's own pipe client as the reader. Each test owns
// a pipe named after the test and the process.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/produtor/norva_escritor.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"
#include "fonte/src/registro/utf8.h"

namespace norva::produtor {
namespace {

using namespace std::chrono_literals;
using teste::esperar_ate;
using teste::mesmos_bytes;
using teste::quadro_de_teste;

constexpr std::uint32_t PASSO_COM_FOLGA = 2048;
constexpr auto ESPERA_LONGA = 10s;

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

// One whole record from a raw client of the pipe: its timestamp, or nothing
// if the pipe broke.
std::optional<std::uint64_t> ler_pacote(HANDLE cano) {
  std::vector<std::uint8_t> r(TAMANHO_DO_PACOTE);
  for (std::size_t lidos = 0; lidos < r.size();) {
    DWORD n = 0;
    if (!ReadFile(cano, r.data() + lidos, static_cast<DWORD>(r.size() - lidos), &n, nullptr) || n == 0) return {};
    lidos += n;
  }
  return CabecalhoDoQuadro::ler(std::span<const std::uint8_t, CabecalhoDoQuadro::TAMANHO>(r.data(), 24)).ts_do_host;
}

TEST(Produtor, EntradaRuimRecusadaComUmaLinha) {
  norva_escritor e = 0;
  EXPECT_EQ(norva_escritor_abrir(nullptr, nullptr), NORVA_ESCRITOR_ERRO_PONTEIRO_NULO);
  EXPECT_EQ(norva_escritor_abrir("\xff\xfe", &e), NORVA_ESCRITOR_ERRO_NOME);
  EXPECT_EQ(e, 0u);
  EXPECT_STREQ(norva_escritor_texto_do_erro(999), "unknown error");
  // Someone already serves the pipe: another writer that creates instances
  // freely (the library's own instance is found the same way).
  const std::string nome = teste::nome_unico("P");
  ferramentas::ServidorDoCano outro(nome_do_cano(nome));
  ASSERT_EQ(outro.preparar(), 0u);
  EXPECT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_ERRO_CANO_OCUPADO);
  EXPECT_NE(std::string(norva_escritor_ultima_mensagem()).find(nome_do_cano(nome)), std::string::npos)
      << norva_escritor_ultima_mensagem();
}

TEST(Produtor, CadaCameraRecebeCadaQuadroMesmoComUmClienteParado) {
  const std::string nome = teste::nome_unico("P");
  norva_escritor e = 0;
  ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_OK) << norva_escritor_ultima_mensagem();
  EXPECT_EQ(norva_escritor_estatisticas_de(e, nullptr), NORVA_ESCRITOR_ERRO_PONTEIRO_NULO);
  std::shared_ptr<Cano> cameras[] = {Cano::novo(), Cano::novo()};
  for (auto& c : cameras) c->iniciar(nome);
  ASSERT_TRUE(esperar_ate([&] { return estatisticas(e).clientes_conectados == 2; }, ESPERA_LONGA));
  // A client that connects and reads nothing until asked: a stalled camera.
  const std::unique_ptr<void, decltype(&CloseHandle)> parado(
      CreateFileW(largo_de_utf8(nome_do_cano(nome)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      CloseHandle);
  ASSERT_NE(parado.get(), INVALID_HANDLE_VALUE) << GetLastError();
  ASSERT_TRUE(esperar_ate([&] { return estatisticas(e).clientes_conectados == 3; }, ESPERA_LONGA));

  // Refused frames never reach the pipe: each camera's first frame is frame 1.
  const auto ruim = quadro_de_teste(0);
  EXPECT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, ruim.data(), ruim.size(), 1280, 720, 0, 0),
            NORVA_ESCRITOR_ERRO_DIMENSOES);
  EXPECT_NE(std::string(norva_escritor_ultima_mensagem()).find("1280x720"), std::string::npos);
  EXPECT_EQ(norva_escritor_enviar(e + 1000, NORVA_ESCRITOR_NV12, ruim.data(), ruim.size(), LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_FECHADO);
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
      EXPECT_EQ(cameras[c]->contadores().recebidos, i) << "camera " << c;
    }
  }
  EXPECT_EQ(estatisticas(e).quadros_aceitos, QUADROS);

  // The stalled client wakes up: after what the pipe held it gets the newest
  // frame, not the ones in between.
  std::vector<std::uint64_t> lidos;
  while (lidos.empty() || lidos.back() != QUADROS) {
    const auto ts = ler_pacote(parado.get());
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
  EXPECT_EQ(norva_escritor_enviar(e, NORVA_ESCRITOR_NV12, ruim.data(), ruim.size(), LARGURA, ALTURA, 0, 0),
            NORVA_ESCRITOR_ERRO_FECHADO);
  EXPECT_NE(std::string(norva_escritor_ultima_mensagem()).find("closed"), std::string::npos);
  norva_escritor_estatisticas s{};
  EXPECT_EQ(norva_escritor_estatisticas_de(e, &s), NORVA_ESCRITOR_ERRO_FECHADO);
  EXPECT_EQ(norva_escritor_fechar(e), NORVA_ESCRITOR_OK);
}

// The pipe's access list as a client reads it back: protected, SYSTEM and the
// user full access, LOCAL SERVICE read only.
TEST(Produtor, ListaDeAcessoDoCano) {
  const std::string nome = teste::nome_unico("P");
  norva_escritor e = 0;
  ASSERT_EQ(norva_escritor_abrir(nome.c_str(), &e), NORVA_ESCRITOR_OK);
  HANDLE cliente = CreateFileW(largo_de_utf8(nome_do_cano(nome)).c_str(), GENERIC_READ | READ_CONTROL, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(cliente, INVALID_HANDLE_VALUE) << GetLastError();
  PSECURITY_DESCRIPTOR descritor = nullptr;
  wchar_t* texto = nullptr;
  const DWORD r = GetSecurityInfo(cliente, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                  nullptr, &descritor);
  if (r == ERROR_SUCCESS) {
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descritor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                         &texto, nullptr);
  }
  const std::string lista = texto != nullptr ? utf8_de_utf16(std::wstring_view(texto)) : "";
  LocalFree(texto);
  LocalFree(descritor);
  CloseHandle(cliente);
  norva_escritor_fechar(e);
  EXPECT_TRUE(std::regex_match(lista, std::regex(R"(D:P\(A;;FA;;;SY\)\(A;;FA;;;S-1-5-21-[-0-9]+\)\(A;;FR;;;LS\))")))
      << "error " << r << ": " << lista;
}

}  // namespace
}  // namespace norva::produtor
