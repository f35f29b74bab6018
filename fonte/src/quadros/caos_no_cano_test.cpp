// Pipe chaos: a writer with a fixed seed drops connections inside headers and
// payloads, sends bad headers, stalls, bursts and reconnects, while a consumer
// reads the camera through Media Foundation's source reader. Every payload is
// a test frame whose first word is its number: each pipe frame delivered must
// be whole, numbers never go back, the camera's counters match what was sent,
// and every request is answered. NORVA_CAOS_FALHAS sets the number of faults.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/sonda/classificacao.h"
#include "fonte/src/fonte/fonte.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/quadros/teste/apoio.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

// MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME {60D0E559-52F8-4FA2-BBCE-ACDB34A8EC01}
constexpr GUID NOME_AMIGAVEL{0x60D0E559, 0x52F8, 0x4FA2, {0xBB, 0xCE, 0xAC, 0xDB, 0x34, 0xA8, 0xEC, 0x01}};
constexpr int FALHAS_NO_CI = 150;

// Test frame n, with n in its first four bytes.
std::vector<std::uint8_t> quadro_numerado(std::uint32_t n) {
  auto q = teste::quadro_de_teste(n);
  std::memcpy(q.data(), &n, sizeof n);
  return q;
}

// The number of a whole numbered frame; nothing for anything else.
std::optional<std::uint32_t> numero_se_inteiro(const BYTE* dados) {
  std::uint32_t n = 0;
  std::memcpy(&n, dados, sizeof n);
  if (std::memcmp(quadro_numerado(n).data(), dados, TAMANHO_DO_QUADRO) != 0) return std::nullopt;
  return n;
}

enum Falha { Rajada, Pausa, CorteNoCabecalho, CorteNaCarga, CabecalhoRuim, Reconexao };

struct Escritor {
  ferramentas::ServidorDoCano& servidor;
  std::mt19937 sorte{8};
  std::uint32_t proximo = 1;
  std::uint32_t inteiros = 0;  // whole records written

  bool quadro(ferramentas::ConexaoDoEscritor& c) {
    if (!c.escrever(teste::pacote_completo(quadro_numerado(proximo), proximo))) return false;
    ++proximo;
    ++inteiros;
    return true;
  }
  std::size_t entre(std::size_t a, std::size_t b) { return std::uniform_int_distribution<std::size_t>(a, b)(sorte); }

  // One connection: a whole frame first (so the camera reopens at once after
  // a drop), then faults until one ends the connection.
  void conexao(int& restantes) {
    servidor.preparar();
    auto c = servidor.aceitar(10s);
    ASSERT_NE(c, nullptr) << "the camera did not reconnect";
    ASSERT_TRUE(quadro(*c));
    std::discrete_distribution<int> tipo({20, 15, 20, 20, 5, 20});  // by Falha
    while (restantes-- > 0) {
      const int f = tipo(sorte);
      const auto pacote = teste::pacote_completo(quadro_numerado(proximo), proximo);
      servidor.preparar();  // an instance for the camera's reopen
      if (f == Rajada) {
        for (std::size_t i = entre(2, 6); i > 0; --i) ASSERT_TRUE(quadro(*c));
      } else if (f == Pausa) {
        std::this_thread::sleep_for(std::chrono::milliseconds(entre(50, 150)));
      } else {
        const std::size_t corte[] = {entre(1, CabecalhoDoQuadro::TAMANHO - 1),
                                     CabecalhoDoQuadro::TAMANHO + entre(0, TAMANHO_DO_QUADRO - 1)};
        if (f == CorteNoCabecalho || f == CorteNaCarga) {
          c->escrever(std::span(pacote).first(corte[f - CorteNoCabecalho]));
        } else if (f == CabecalhoRuim) {
          c->escrever(teste::CABECALHO_RUIM.codificar());
        }
        return;
      }
    }
  }
};

TEST(CaosNoCano, QuadrosInteirosContadoresCertosCameraSempreResponde) {
  const char* no_ambiente = std::getenv("NORVA_CAOS_FALHAS");
  const int pedidas = no_ambiente != nullptr && std::atoi(no_ambiente) > 0 ? std::atoi(no_ambiente) : FALHAS_NO_CI;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const std::string nome = teste::nome_unico("caos");
  ferramentas::ServidorDoCano servidor(nome_do_cano(nome));
  ASSERT_EQ(servidor.preparar(), 0u);

  // The camera as the factory makes it, around a frame supply whose
  // counters the test reads.
  const std::shared_ptr<Cano> cano = Cano::novo();
  auto criada = Fonte::criar(cano);
  ASSERT_TRUE(criada.has_value());
  ComPtr<IMFActivate> ativar;
  ASSERT_EQ(criada->As(&ativar), S_OK);
  ASSERT_EQ(ativar->SetString(NOME_AMIGAVEL, std::wstring(nome.begin(), nome.end()).c_str()), S_OK);
  ComPtr<IMFMediaSource> fonte;
  ASSERT_EQ(ativar->ActivateObject(IID_PPV_ARGS(&fonte)), S_OK);
  ComPtr<IMFSourceReader> leitor;
  ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte.Get(), nullptr, &leitor), S_OK);

  Escritor escritor{servidor};
  std::atomic<std::uint32_t> ultimo_enviado{0};
  std::atomic<bool> consumidor_terminou{false};
  std::thread aplicacao([&] {
    int restantes = pedidas;
    while (restantes > 0 && !testing::Test::HasFatalFailure()) escritor.conexao(restantes);
    // The last frame, on a connection that stays open and silent.
    servidor.preparar();
    auto c = servidor.aceitar(10s);
    if (c && escritor.quadro(*c)) ultimo_enviado = escritor.proximo - 1;
    while (!consumidor_terminou) std::this_thread::sleep_for(10ms);
  });

  ferramentas::Classificador classificador;
  std::uint64_t amostras = 0, padrao = 0, do_cano = 0, corrompidos = 0, voltaram = 0, maior = 0;
  auto intervalo_maximo = 0ms;
  auto antes = std::chrono::steady_clock::now();
  // Until the last frame is delivered.
  for (bool visto_o_ultimo = false; !visto_o_ultimo; ++amostras) {
    DWORD indice = 0, sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    ASSERT_EQ(leitor->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice, &sinais,
                                 &instante, &amostra), S_OK);
    ASSERT_TRUE(amostra) << "sample " << amostras;
    const auto agora = std::chrono::steady_clock::now();
    intervalo_maximo = std::max(intervalo_maximo, std::chrono::duration_cast<std::chrono::milliseconds>(agora - antes));
    antes = agora;
    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_EQ(amostra->ConvertToContiguousBuffer(&buffer), S_OK);
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    ASSERT_EQ(buffer->Lock(&dados, nullptr, &comprimento), S_OK);
    ASSERT_EQ(comprimento, TAMANHO_DO_QUADRO);
    if (const auto n = numero_se_inteiro(dados)) {
      ++do_cano;
      voltaram += *n < maior ? 1 : 0;
      maior = std::max<std::uint64_t>(maior, *n);
      visto_o_ultimo = ultimo_enviado != 0 && *n == ultimo_enviado;
    } else {
      const std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro(dados, TAMANHO_DO_QUADRO);
      ++(classificador.numero_do_padrao(quadro) ? padrao : corrompidos);
    }
    buffer->Unlock();
  }
  consumidor_terminou = true;
  aplicacao.join();
  const ContadoresDoCano k = cano->contadores();
  fonte->Shutdown();
  std::printf("%d faults; %u whole frames sent; %llu samples, longest gap %lld ms: %llu pipe, %llu pattern, %llu "
              "corrupt; camera: recebidos=%llu entregues=%llu descartados=%llu repetidos=%llu\n",
              pedidas, escritor.inteiros, amostras, static_cast<long long>(intervalo_maximo.count()), do_cano, padrao,
              corrompidos, k.recebidos, k.entregues, k.descartados, k.repetidos);
  EXPECT_EQ(corrompidos, 0u);
  EXPECT_EQ(voltaram, 0u) << "a delivered frame was older than one delivered before it";
  // A request never takes longer than the wait for a frame plus a frame period.
  EXPECT_LT(intervalo_maximo, 1s);
  EXPECT_EQ(k.recebidos, escritor.inteiros);
  // Every frame received was taken once or replaced untaken (the last one was taken).
  EXPECT_EQ(k.entregues - k.repetidos + k.descartados, escritor.inteiros);
  // The source reader may hold a few samples it asked for and we never read.
  EXPECT_LE(do_cano, k.entregues);
  MFShutdown();
  CoUninitialize();
}

}  // namespace
}  // namespace norva
