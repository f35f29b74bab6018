// Pipe chaos: a writer with a fixed seed drops connections inside headers and
// payloads, sends bad headers, stalls, bursts and reconnects, while a consumer
// reads the camera through Media Foundation's source reader. Every payload
// carries its frame number and a checksum: each pipe frame delivered must be
// whole, numbers never go back, the camera's counters match what was sent,
// and every request is answered. NORVA_CAOS_FALHAS sets the number of faults.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/escritor/servidor_do_cano.h"
#include "ferramentas/sonda/classificacao.h"
#include "fonte/src/fonte/fonte.h"
#include "fonte/src/quadros/apoio_de_teste.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/nome_do_cano.h"

namespace norva {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;
using teste::CABECALHOS_RUINS;
using teste::registro_completo;

// MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME {60D0E559-52F8-4FA2-BBCE-ACDB34A8EC01}
constexpr GUID NOME_AMIGAVEL{0x60D0E559, 0x52F8, 0x4FA2, {0xBB, 0xCE, 0xAC, 0xDB, 0x34, 0xA8, 0xEC, 0x01}};
constexpr unsigned SEMENTE = 8;
constexpr int FALHAS_NO_CI = 150;
constexpr std::size_t PALAVRAS = TAMANHO_DO_QUADRO / 8;
// A request never takes longer than the wait for a frame plus a frame period.
constexpr auto MAIOR_INTERVALO = 1s;

int falhas_pedidas() {
  const char* v = std::getenv("NORVA_CAOS_FALHAS");
  return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : FALHAS_NO_CI;
}

// Word 0: the frame number; word 1: the sum of words 2 onwards, which come
// from the number, so a frame mixed with another or cut short never checks.
std::vector<std::uint8_t> quadro_numerado(std::uint64_t numero) {
  std::vector<std::uint64_t> p(PALAVRAS);
  std::uint64_t x = numero * 0x9E3779B97F4A7C15ull + 1, soma = 0;
  for (std::size_t i = 2; i < PALAVRAS; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    p[i] = x;
    soma += x;
  }
  p[0] = numero;
  p[1] = soma;
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  std::memcpy(q.data(), p.data(), TAMANHO_DO_QUADRO);
  return q;
}

// The frame number of a whole numbered frame; nothing for anything else.
std::optional<std::uint64_t> numero_se_inteiro(const BYTE* dados) {
  std::vector<std::uint64_t> p(PALAVRAS);
  std::memcpy(p.data(), dados, TAMANHO_DO_QUADRO);
  std::uint64_t soma = 0;
  for (std::size_t i = 2; i < PALAVRAS; ++i) soma += p[i];
  if (soma != p[1]) return std::nullopt;
  return p[0];
}

enum Falha { Rajada, Pausa, CorteNoCabecalho, CorteNaCarga, CabecalhoRuim, Reconexao, TIPOS };
constexpr int PESOS[TIPOS] = {20, 15, 20, 20, 5, 20};

struct Escritor {
  ferramentas::ServidorDoCano& servidor;
  std::mt19937 sorte{SEMENTE};
  std::uint64_t proximo = 1;
  std::uint64_t inteiros = 0;  // whole records written
  int falhas[TIPOS] = {};

  bool quadro(ferramentas::ConexaoDoEscritor& c) {
    const auto q = quadro_numerado(proximo);
    if (!c.escrever(registro_completo(q, proximo))) return false;
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
    std::discrete_distribution<int> tipo(std::begin(PESOS), std::end(PESOS));
    while (restantes > 0) {
      const int f = tipo(sorte);
      ++falhas[f];
      --restantes;
      const auto registro = registro_completo(quadro_numerado(proximo), proximo);
      servidor.preparar();  // an instance for the camera's reopen
      switch (f) {
        case Rajada:
          for (std::size_t i = entre(2, 6); i > 0; --i) ASSERT_TRUE(quadro(*c));
          continue;
        case Pausa:
          std::this_thread::sleep_for(std::chrono::milliseconds(entre(50, 150)));
          continue;
        case CorteNoCabecalho:
          c->escrever(std::span(registro).first(entre(1, CabecalhoDoQuadro::TAMANHO - 1)));
          return;
        case CorteNaCarga:
          c->escrever(std::span(registro).first(CabecalhoDoQuadro::TAMANHO + entre(0, TAMANHO_DO_QUADRO - 1)));
          return;
        case CabecalhoRuim:
          c->escrever(CABECALHOS_RUINS[entre(0, std::size(CABECALHOS_RUINS) - 1)].cabecalho.codificar());
          return;
        default:
          return;
      }
    }
  }
};

TEST(CaosNoCano, QuadrosInteirosContadoresCertosCameraSempreResponde) {
  const int pedidas = falhas_pedidas();
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const std::string nome = "caos " + std::to_string(GetCurrentProcessId());
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
  std::atomic<std::uint64_t> ultimo_enviado{0};
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
  bool visto_o_ultimo = false;
  const auto inicio = std::chrono::steady_clock::now();
  auto antes = inicio;
  // Until the last frame is delivered.
  while (!visto_o_ultimo) {
    DWORD indice = 0, sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    ASSERT_EQ(leitor->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice, &sinais,
                                 &instante, &amostra),
              S_OK);
    ASSERT_TRUE(amostra) << "sample " << amostras;
    const auto agora = std::chrono::steady_clock::now();
    intervalo_maximo = std::max(intervalo_maximo, std::chrono::duration_cast<std::chrono::milliseconds>(agora - antes));
    antes = agora;
    ++amostras;
    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_EQ(amostra->ConvertToContiguousBuffer(&buffer), S_OK);
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    ASSERT_EQ(buffer->Lock(&dados, nullptr, &comprimento), S_OK);
    ASSERT_EQ(comprimento, TAMANHO_DO_QUADRO);
    if (const auto n = numero_se_inteiro(dados)) {
      ++do_cano;
      voltaram += *n < maior ? 1 : 0;
      maior = std::max(maior, *n);
      visto_o_ultimo = visto_o_ultimo || (ultimo_enviado != 0 && *n == ultimo_enviado);
    } else if (classificador.numero_do_padrao(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(dados, TAMANHO_DO_QUADRO))) {
      ++padrao;
    } else {
      ++corrompidos;
    }
    buffer->Unlock();
  }
  const double segundos = std::chrono::duration<double>(antes - inicio).count();
  consumidor_terminou = true;
  aplicacao.join();
  const ContadoresDoCano k = cano->contadores();
  fonte->Shutdown();
  std::printf("%d faults (bursts %d, stalls %d, cut headers %d, cut payloads %d, bad headers %d, reconnects %d); "
              "%llu whole frames sent; %llu samples in %.1f s (%.1f per second, longest gap %lld ms): %llu pipe, "
              "%llu pattern, %llu corrupt\n",
              pedidas, escritor.falhas[Rajada], escritor.falhas[Pausa], escritor.falhas[CorteNoCabecalho],
              escritor.falhas[CorteNaCarga], escritor.falhas[CabecalhoRuim], escritor.falhas[Reconexao],
              static_cast<unsigned long long>(escritor.inteiros), static_cast<unsigned long long>(amostras), segundos,
              static_cast<double>(amostras) / segundos, static_cast<long long>(intervalo_maximo.count()),
              static_cast<unsigned long long>(do_cano), static_cast<unsigned long long>(padrao),
              static_cast<unsigned long long>(corrompidos));
  std::printf("camera: recebidos=%llu entregues=%llu descartados=%llu repetidos=%llu\n",
              static_cast<unsigned long long>(k.recebidos), static_cast<unsigned long long>(k.entregues),
              static_cast<unsigned long long>(k.descartados), static_cast<unsigned long long>(k.repetidos));
  EXPECT_EQ(corrompidos, 0u);
  EXPECT_EQ(voltaram, 0u) << "a delivered frame was older than one delivered before it";
  EXPECT_LT(intervalo_maximo, MAIOR_INTERVALO);
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
