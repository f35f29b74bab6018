// End-to-end latency: from the library's send to the return of the
// consumer's ReadSample that delivers that frame, through the camera DLL and
// Media Foundation's source reader, the writer at 30 fps. Each frame carries
// its number in its first bytes. Prints the median and p99 as table rows
// "figure | value | goal | met".
//   norva_latencia_bench [SECONDS]     (default 10)
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/produtor/norva_escritor.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/lib/clsid.h"
#include "fonte/src/plataforma/declaracoes.h"
#include "fonte/src/quadros/geometria.h"
#include "fonte/src/registro/utf8.h"

#ifndef NORVA_DLL_DA_CAMERA
#error "NORVA_DLL_DA_CAMERA: path of norva_camera_fonte.dll"
#endif

namespace {

using namespace norva;
using Microsoft::WRL::ComPtr;

constexpr std::uint64_t MARCA = 0x4C4154454E434941ull;  // tells our frames from the bench pattern
constexpr auto PERIODO = std::chrono::microseconds(33'333);
constexpr double META_MEDIANA_MS = 5.0;
constexpr double META_P99_MS = 35.0;

std::int64_t agora_ns() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Relogio::now().time_since_epoch()).count(); }

ComPtr<IMFSourceReader> abrir_camera(const std::string& nome) {
  std::wstring dll = largo_de_utf8(NORVA_DLL_DA_CAMERA);
  if (!dll.empty() && dll.front() == L'/') dll = L"Z:" + dll;  // a Unix build path, as Wine sees it
  HMODULE modulo = LoadLibraryW(dll.c_str());
  if (modulo == nullptr) return nullptr;
  using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto obter = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(modulo, "DllGetClassObject")));
  ComPtr<IClassFactory> fabrica;
  ComPtr<IMFActivate> ativar;
  ComPtr<IMFMediaSource> fonte;
  ComPtr<IMFSourceReader> leitor;
  if (obter == nullptr || FAILED(obter(CLSID_FONTE, IID_PPV_ARGS(&fabrica))) ||
      FAILED(fabrica->CreateInstance(nullptr, IID_PPV_ARGS(&ativar))) ||
      FAILED(ativar->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, largo_de_utf8(nome).c_str())) ||
      FAILED(ativar->ActivateObject(IID_PPV_ARGS(&fonte))) ||
      FAILED(MFCreateSourceReaderFromMediaSource(fonte.Get(), nullptr, &leitor))) {
    return nullptr;
  }
  return leitor;
}

}  // namespace

int main(int argc, char** argv) {
  const int segundos = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const std::size_t quadros = static_cast<std::size_t>(segundos) * 30;
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(MFStartup(MF_VERSION, MFSTARTUP_FULL))) return 1;
  const std::string nome = "latencia " + std::to_string(GetCurrentProcessId());
  norva_escritor escritor = 0;
  if (norva_escritor_abrir(nome.c_str(), &escritor) != NORVA_ESCRITOR_OK) {
    std::fprintf(stderr, "error: %s\n", norva_escritor_ultima_mensagem());
    return 1;
  }
  ComPtr<IMFSourceReader> leitor = abrir_camera(nome);
  if (!leitor) {
    std::fprintf(stderr, "error: cannot open the camera from %s\n", NORVA_DLL_DA_CAMERA);
    return 1;
  }
  std::vector<std::atomic<std::int64_t>> enviado_em(quadros);
  std::atomic<bool> fim{false};
  std::thread produtor([&] {
    std::vector<std::uint8_t> quadro(TAMANHO_DO_QUADRO, 128);
    norva_escritor_estatisticas e{};
    while (!fim && norva_escritor_estatisticas_de(escritor, &e) == NORVA_ESCRITOR_OK && e.clientes_conectados == 0) {
      Sleep(5);
    }
    auto proximo = Relogio::now();
    for (std::uint64_t n = 0; n < quadros && !fim; ++n) {
      std::memcpy(quadro.data(), &MARCA, 8);
      std::memcpy(quadro.data() + 8, &n, 8);
      enviado_em[n] = agora_ns();
      norva_escritor_enviar(escritor, NORVA_ESCRITOR_NV12, quadro.data(), quadro.size(), LARGURA, ALTURA, 0, n);
      proximo += PERIODO;
      while (Relogio::now() < proximo) Sleep(1);  // Windows: 1 ms ticks at best; the send time is what counts
    }
    fim = true;
  });

  std::vector<double> latencias_ms;
  std::uint64_t ultimo = UINT64_MAX;
  while (!fim) {
    DWORD indice = 0, sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    const HRESULT hr = leitor->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice, &sinais,
                                          &instante, &amostra);
    const std::int64_t recebido = agora_ns();
    if (FAILED(hr) || (sinais & MF_SOURCE_READERF_ERROR)) break;
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    if (!amostra || FAILED(amostra->ConvertToContiguousBuffer(&buffer)) || FAILED(buffer->Lock(&dados, nullptr, &comprimento))) continue;
    std::uint64_t marca = 0, n = 0;
    if (comprimento >= 16) {
      std::memcpy(&marca, dados, 8);
      std::memcpy(&n, dados + 8, 8);
    }
    buffer->Unlock();
    if (marca != MARCA || n >= quadros || n == ultimo) continue;  // bench pattern, or a repeat
    ultimo = n;
    latencias_ms.push_back(static_cast<double>(recebido - enviado_em[n].load()) / 1e6);
  }
  fim = true;
  produtor.join();
  norva_escritor_fechar(escritor);
  leitor.Reset();
  if (latencias_ms.empty()) {
    std::fprintf(stderr, "error: no frame came through\n");
    return 1;
  }
  const double mediana = ferramentas::percentil(latencias_ms, 50), p99 = ferramentas::percentil(latencias_ms, 99);
  std::printf("frames sent at 30 fps: %zu; delivered by ReadSample: %zu\n", quadros, latencias_ms.size());
  std::printf("latency send->ReadSample median | %.2f ms | < 5 ms under Wine | %s\n", mediana,
              mediana < META_MEDIANA_MS ? "yes" : "no");
  std::printf("latency send->ReadSample p99 | %.2f ms | < 35 ms under Wine | %s\n", p99, p99 < META_P99_MS ? "yes" : "no");
  MFShutdown();
  return 0;
}
