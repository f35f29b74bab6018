// norva-camera-vigia: checks the virtual camera the way a video app uses it.
// Activates the camera (through COM, or straight from a DLL file), optionally
// names it, reads samples through Media Foundation's source reader, and
// reports the delivery rate, the interval jitter, and how many frames were
// bench pattern and how many came from the desktop application's pipe.
//
//   norva-camera-vigia [--dll PATH] [--name FRIENDLY_NAME] [--samples N]
//                      [--png FOLDER] [--save I,J,...]
//
// Exit status: 0 done; 1 bad arguments; 2 camera unavailable (DLL missing,
// class not registered, activation refused); 3 reading samples failed.
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <shellapi.h>

#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ferramentas/comum/imagem_nv12.h"
#include "ferramentas/sonda/classificacao_em_fundo.h"
#include "ferramentas/sonda/estatisticas.h"
#include "fonte/src/lib/clsid.h"
#include "fonte/src/plataforma/declaracoes.h"

namespace {

using Microsoft::WRL::ComPtr;
using namespace norva;

constexpr int SAIDA_OK = 0;
constexpr int SAIDA_ARGUMENTOS = 1;
constexpr int SAIDA_CAMERA_INDISPONIVEL = 2;
constexpr int SAIDA_LEITURA = 3;

constexpr std::size_t AMOSTRAS_PADRAO = 90;  // three seconds at 30 fps
constexpr std::size_t BASE_DECIMAL = 10;

struct Opcoes {
  std::optional<std::wstring> dll;
  std::optional<std::wstring> nome;
  std::size_t amostras = AMOSTRAS_PADRAO;
  std::optional<std::filesystem::path> pasta_png;
  std::set<std::size_t> salvar;
};

void uso() {
  std::fprintf(stderr,
               "usage: norva-camera-vigia [--dll PATH] [--name FRIENDLY_NAME] [--samples N]\n"
               "                          [--png FOLDER] [--save I,J,...]\n"
               "  --dll      load the camera from this DLL file instead of the registered class\n"
               "  --name     friendly name to give the camera (selects its pipe)\n"
               "  --samples  how many samples to read (default %zu)\n"
               "  --png      folder for PNG copies of chosen samples\n"
               "  --save     zero-based sample numbers to save (default: first, middle, last)\n",
               AMOSTRAS_PADRAO);
}

std::string utf8(const std::wstring& texto) {
  if (texto.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string saida(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), saida.data(), n, nullptr, nullptr);
  return saida;
}

std::optional<std::size_t> numero(const std::wstring& texto) {
  if (texto.empty() || texto.find_first_not_of(L"0123456789") != std::wstring::npos) return std::nullopt;
  return static_cast<std::size_t>(std::wcstoull(texto.c_str(), nullptr, BASE_DECIMAL));
}

std::optional<Opcoes> ler_opcoes(const std::vector<std::wstring>& args) {
  Opcoes o;
  bool salvar_dado = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    const bool tem_valor = i + 1 < args.size();
    if (a == L"--dll" && tem_valor) {
      o.dll = args[++i];
    } else if (a == L"--name" && tem_valor) {
      o.nome = args[++i];
    } else if (a == L"--samples" && tem_valor) {
      const auto n = numero(args[++i]);
      if (!n || *n == 0) return std::nullopt;
      o.amostras = *n;
    } else if (a == L"--png" && tem_valor) {
      o.pasta_png = std::filesystem::path(args[++i]);
    } else if (a == L"--save" && tem_valor) {
      salvar_dado = true;
      std::wstring lista = args[++i];
      std::size_t inicio = 0;
      while (inicio <= lista.size()) {
        const std::size_t fim = std::min(lista.find(L',', inicio), lista.size());
        const auto n = numero(lista.substr(inicio, fim - inicio));
        if (!n) return std::nullopt;
        o.salvar.insert(*n);
        inicio = fim + 1;
      }
    } else {
      return std::nullopt;
    }
  }
  if (!salvar_dado) o.salvar = {0, o.amostras / 2, o.amostras - 1};
  return o;
}

std::string hex(HRESULT hr) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "0x%08lX", static_cast<unsigned long>(hr));
  return texto;
}

// The camera as an activation object: from the DLL file, or from COM.
std::optional<ComPtr<IMFActivate>> ativacao(const Opcoes& o) {
  ComPtr<IMFActivate> ativar;
  if (o.dll) {
    HMODULE modulo = LoadLibraryW(o.dll->c_str());
    if (modulo == nullptr) {
      std::fprintf(stderr, "error: cannot load the camera DLL %s (Windows error %lu)\n", utf8(*o.dll).c_str(),
                   GetLastError());
      return std::nullopt;
    }
    using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto obter = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(modulo, "DllGetClassObject")));
    if (obter == nullptr) {
      std::fprintf(stderr, "error: %s is not a COM server (no DllGetClassObject)\n", utf8(*o.dll).c_str());
      return std::nullopt;
    }
    ComPtr<IClassFactory> fabrica;
    HRESULT hr = obter(CLSID_FONTE, IID_PPV_ARGS(&fabrica));
    if (SUCCEEDED(hr)) hr = fabrica->CreateInstance(nullptr, IID_PPV_ARGS(&ativar));
    if (FAILED(hr)) {
      std::fprintf(stderr, "error: %s did not create the camera (HRESULT %s)\n", utf8(*o.dll).c_str(),
                   hex(hr).c_str());
      return std::nullopt;
    }
    return ativar;
  }
  const HRESULT hr = CoCreateInstance(CLSID_FONTE, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&ativar));
  if (hr == REGDB_E_CLASSNOTREG) {
    std::fprintf(stderr,
                 "error: the camera is not registered (class %s not found).\n"
                 "       Register it with: regsvr32 norva_camera_fonte.dll, or pass --dll PATH.\n",
                 std::string(TEXTO_DO_CLSID).c_str());
    return std::nullopt;
  }
  if (FAILED(hr)) {
    std::fprintf(stderr,
                 "error: the registered camera could not be created (HRESULT %s); is the DLL named in its\n"
                 "       InprocServer32 registry key still there?\n",
                 hex(hr).c_str());
    return std::nullopt;
  }
  return ativar;
}

struct Contagem {
  std::size_t padrao = 0;
  std::size_t cano = 0;
  std::size_t lacunas = 0;       // reads that returned no sample
  std::size_t tamanho_errado = 0;
};

int sondar(const Opcoes& o) {
  auto ativar = ativacao(o);
  if (!ativar) return SAIDA_CAMERA_INDISPONIVEL;
  if (o.nome) {
    const HRESULT hr = (*ativar)->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, o.nome->c_str());
    if (FAILED(hr)) {
      std::fprintf(stderr, "error: setting the friendly name failed (HRESULT %s)\n", hex(hr).c_str());
      return SAIDA_CAMERA_INDISPONIVEL;
    }
  }
  ComPtr<IMFMediaSource> fonte;
  HRESULT hr = (*ativar)->ActivateObject(IID_PPV_ARGS(&fonte));
  if (FAILED(hr)) {
    std::fprintf(stderr, "error: ActivateObject failed (HRESULT %s)\n", hex(hr).c_str());
    return SAIDA_CAMERA_INDISPONIVEL;
  }
  ComPtr<IMFSourceReader> leitor;
  hr = MFCreateSourceReaderFromMediaSource(fonte.Get(), nullptr, &leitor);
  if (FAILED(hr)) {
    std::fprintf(stderr, "error: the source reader refused the camera (HRESULT %s)\n", hex(hr).c_str());
    fonte->Shutdown();
    return SAIDA_CAMERA_INDISPONIVEL;
  }

  Contagem contagem;
  std::vector<std::chrono::steady_clock::time_point> entregas;
  ferramentas::ClassificacaoEmFundo classificacao(o.pasta_png ? o.salvar : std::set<std::size_t>{});
  int saida = SAIDA_OK;
  // The first read also starts the source; its wait is reported on its own.
  // Inside the loop only the read, its arrival time and a copy of the frame:
  // classifying and encoding happen elsewhere or afterwards.
  const auto antes_da_primeira = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < o.amostras; ++i) {
    DWORD indice = 0;
    DWORD sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    hr = leitor->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice, &sinais,
                            &instante, &amostra);
    const auto chegada = std::chrono::steady_clock::now();
    if (FAILED(hr) || (sinais & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM))) {
      std::fprintf(stderr, "error: ReadSample failed at sample %zu (HRESULT %s, flags 0x%lX)\n", i, hex(hr).c_str(),
                   static_cast<unsigned long>(sinais));
      saida = SAIDA_LEITURA;
      break;
    }
    if (!amostra) {
      ++contagem.lacunas;
      continue;
    }
    entregas.push_back(chegada);
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    if (FAILED(amostra->ConvertToContiguousBuffer(&buffer)) || FAILED(buffer->Lock(&dados, nullptr, &comprimento))) {
      saida = SAIDA_LEITURA;
      break;
    }
    if (comprimento != TAMANHO_DO_QUADRO) {
      ++contagem.tamanho_errado;
    } else {
      classificacao.entregar(i, std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(dados, TAMANHO_DO_QUADRO));
    }
    buffer->Unlock();
  }
  fonte->Shutdown();

  auto classificados = classificacao.terminar();
  contagem.padrao = classificados.padrao;
  contagem.cano = classificados.cano;
  std::vector<std::string> salvos;
  if (o.pasta_png) {
    std::filesystem::create_directories(*o.pasta_png);
    for (const auto& q : classificados.guardados) {
      const auto arquivo =
          *o.pasta_png / ("amostra_" + std::to_string(q.indice) + (q.padrao ? "_padrao" : "_cano") + ".png");
      if (ferramentas::gravar_png(arquivo, std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(q.dados.get(),
                                                                                           TAMANHO_DO_QUADRO))) {
        salvos.push_back(arquivo.string());
      }
    }
  }

  const auto e = ferramentas::calcular_estatisticas(entregas);
  std::printf("camera: %s%s%s\n", o.dll ? utf8(*o.dll).c_str() : "registered class ",
              o.dll ? "" : std::string(TEXTO_DO_CLSID).c_str(),
              o.nome ? (", friendly name \"" + utf8(*o.nome) + "\"").c_str() : ", no friendly name (default pipe)");
  std::printf("samples: %zu read, %zu bench pattern, %zu from the pipe", entregas.size(), contagem.padrao,
              contagem.cano);
  if (contagem.lacunas) std::printf(", %zu empty reads", contagem.lacunas);
  if (contagem.tamanho_errado) std::printf(", %zu of the wrong size", contagem.tamanho_errado);
  std::printf("\n");
  if (!entregas.empty()) {
    std::printf("first sample after %.1f ms (includes starting the source)\n",
                std::chrono::duration<double, std::milli>(entregas.front() - antes_da_primeira).count());
  }
  std::printf("rate: %.2f frames per second over %zu intervals\n", e.quadros_por_segundo, e.intervalos);
  std::printf("interval: p50 %.3f ms, p99 %.3f ms; deviation from %.3f ms: p50 %.3f ms, p99 %.3f ms\n",
              e.intervalo_p50_ms, e.intervalo_p99_ms, ferramentas::PERIODO_ESPERADO.count(), e.desvio_p50_ms,
              e.desvio_p99_ms);
  for (const auto& arquivo : salvos) std::printf("saved %s\n", arquivo.c_str());
  return saida;
}

}  // namespace

int main() {
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::wstring> args(argv, argv + n);
  LocalFree(argv);
  const auto opcoes = ler_opcoes(args);
  if (!opcoes) {
    uso();
    return SAIDA_ARGUMENTOS;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(MFStartup(MF_VERSION, MFSTARTUP_FULL))) {
    std::fprintf(stderr, "error: COM or Media Foundation did not start\n");
    return SAIDA_CAMERA_INDISPONIVEL;
  }
  const int saida = sondar(*opcoes);
  MFShutdown();
  CoUninitialize();
  return saida;
}
