// The real consumer path: the class registered in this Wine prefix, created
// by CoCreateInstance, named through IMFAttributes, activated, and read by
// Media Foundation's own source reader. Without a writer the camera gives
// bench pattern; with one serving this camera's pipe, the writer's frames.
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "fonte/src/lib/teste/dll_carregada.h"
#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {
namespace {

using Microsoft::WRL::ComPtr;

constexpr GUID CLSID_DA_FONTE{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};
// MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME {60D0E559-52F8-4FA2-BBCE-ACDB34A8EC01}
constexpr GUID NOME_AMIGAVEL{0x60D0E559, 0x52F8, 0x4FA2, {0xBB, 0xCE, 0xAC, 0xDB, 0x34, 0xA8, 0xEC, 0x01}};
constexpr wchar_t CHAVE[] = L"SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}";

// The pipe record's header, as the desktop application writes it.
constexpr std::uint32_t MAGICO = 0x56524F4E;  // "NORV"
constexpr std::size_t TAMANHO_DO_CABECALHO = 24;
constexpr auto PERIODO_DO_ESCRITOR = std::chrono::milliseconds(33);
constexpr DWORD BUFFER_DO_CANO = 4 * 1024 * 1024;
constexpr std::uint8_t CROMA_NEUTRO = 128;
// The writer's frames are flat grey with a luma no pattern frame has as a
// whole: 40 + (k mod 100).
constexpr std::uint8_t LUMA_BASE_DO_ESCRITOR = 40;
constexpr std::uint32_t CICLO_DO_ESCRITOR = 100;

// The per-camera pipe, computed here independently of the camera's code:
// the default path, "-", and FNV-1a 64 of the UTF-8 name in 16 hex digits.
std::wstring nome_do_cano_para(const std::string& nome) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : nome) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  wchar_t sufixo[17];
  std::swprintf(sufixo, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return std::wstring(L"\\\\.\\pipe\\norva-camera-v1-") + sufixo;
}

// A stand-in desktop application: serves one pipe and writes flat frames at
// about 30 per second until told to stop.
class Escritor {
 public:
  explicit Escritor(const std::wstring& cano) : cano_(cano) {
    pipe_ = CreateNamedPipeW(cano.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, BUFFER_DO_CANO, 0, 0,
                             nullptr);
    if (pipe_ == INVALID_HANDLE_VALUE) return;
    thread_ = std::thread([this] { escrever(); });
  }
  // The camera must be shut down first: its reader then closes the pipe,
  // which ends a write in progress. A writer still waiting for its client
  // is released by connecting one here.
  ~Escritor() {
    parar_ = true;
    HANDLE cliente = CreateFileW(cano_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (thread_.joinable()) thread_.join();
    if (cliente != INVALID_HANDLE_VALUE) CloseHandle(cliente);
    if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  }
  bool pronto() const { return pipe_ != INVALID_HANDLE_VALUE; }
  std::uint32_t escritos() const { return escritos_; }

 private:
  void escrever() {
    if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return;
    std::vector<std::uint8_t> registro(TAMANHO_DO_CABECALHO + TAMANHO_DO_QUADRO);
    const std::uint32_t campos[] = {MAGICO, LARGURA, ALTURA, static_cast<std::uint32_t>(TAMANHO_DO_QUADRO)};
    std::memcpy(registro.data(), campos, sizeof campos);
    for (std::uint64_t k = 0; !parar_; ++k) {
      std::memcpy(registro.data() + sizeof campos, &k, sizeof k);
      std::uint8_t* quadro = registro.data() + TAMANHO_DO_CABECALHO;
      std::memset(quadro, LUMA_BASE_DO_ESCRITOR + static_cast<int>(k % CICLO_DO_ESCRITOR), TAMANHO_DO_PLANO_Y);
      std::memset(quadro + TAMANHO_DO_PLANO_Y, CROMA_NEUTRO, TAMANHO_DO_QUADRO - TAMANHO_DO_PLANO_Y);
      DWORD escritos = 0;
      if (!WriteFile(pipe_, registro.data(), static_cast<DWORD>(registro.size()), &escritos, nullptr)) return;
      ++escritos_;
      std::this_thread::sleep_for(PERIODO_DO_ESCRITOR);
    }
  }

  std::wstring cano_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> parar_{false};
  std::atomic<std::uint32_t> escritos_{0};
  std::thread thread_;
};

enum class Origem_ { Padrao, Escritor, Outra };

// Which of the two suppliers a delivered frame comes from, by content.
Origem_ origem_de(const std::uint8_t* q) {
  const std::uint8_t y = q[0];
  const bool plano = y >= LUMA_BASE_DO_ESCRITOR && y < LUMA_BASE_DO_ESCRITOR + CICLO_DO_ESCRITOR &&
                     q[TAMANHO_DO_PLANO_Y / 2] == y && q[TAMANHO_DO_PLANO_Y - 1] == y &&
                     q[TAMANHO_DO_PLANO_Y] == CROMA_NEUTRO && q[TAMANHO_DO_QUADRO - 1] == CROMA_NEUTRO;
  if (plano) return Origem_::Escritor;
  // Pattern frame n has its bar at 8n mod 1920 on row 1 and its own colour.
  const std::uint8_t* linha = q + LARGURA;
  const auto barra = std::find(linha, linha + LARGURA, PadraoDeBancada::LUMA_DO_BRANCO) - linha;
  for (std::uint64_t n = static_cast<std::uint64_t>(barra) / PadraoDeBancada::PASSO_DA_BARRA; n < 2400; n += 240) {
    const DadosDoQuadro padrao = PadraoDeBancada::desenhar(n);
    if (std::memcmp(padrao.get(), q, TAMANHO_DO_QUADRO) == 0) return Origem_::Padrao;
  }
  return Origem_::Outra;
}

class Consumidor : public ::testing::Test {
 protected:
  void SetUp() override {
    carregar_dll(caminho_da_dll(), dll_);
    ASSERT_NE(dll_.DllRegisterServer, nullptr);
    ASSERT_EQ(dll_.DllRegisterServer(), S_OK);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  }
  void TearDown() override {
    if (fonte_) fonte_->Shutdown();
    leitor_.Reset();
    fonte_.Reset();
    MFShutdown();
    CoUninitialize();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, CHAVE);
  }

  // CoCreateInstance, the friendly name through IMFAttributes, ActivateObject,
  // and a source reader over the result.
  void abrir_camera(const std::string& nome_amigavel) {
    ComPtr<IMFActivate> ativar;
    ASSERT_EQ(CoCreateInstance(CLSID_DA_FONTE, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&ativar)), S_OK);
    const std::wstring nome(nome_amigavel.begin(), nome_amigavel.end());
    ASSERT_EQ(ativar->SetString(NOME_AMIGAVEL, nome.c_str()), S_OK);
    ASSERT_EQ(ativar->ActivateObject(IID_PPV_ARGS(&fonte_)), S_OK);
    ComPtr<IMFMediaSource> mesma;
    ASSERT_EQ(ativar.As(&mesma), S_OK);
    EXPECT_EQ(mesma.Get(), fonte_.Get()) << "the activation object is the source itself";
    ASSERT_EQ(MFCreateSourceReaderFromMediaSource(fonte_.Get(), nullptr, &leitor_), S_OK);
  }

  // One sample's origin; nothing when the reader gave no sample.
  std::optional<Origem_> ler_amostra() {
    DWORD indice = 0;
    DWORD sinais = 0;
    LONGLONG instante = 0;
    ComPtr<IMFSample> amostra;
    const HRESULT hr = leitor_->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &indice,
                                           &sinais, &instante, &amostra);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(sinais & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM), 0u);
    if (FAILED(hr) || !amostra) return std::nullopt;
    ComPtr<IMFMediaBuffer> buffer;
    EXPECT_EQ(amostra->ConvertToContiguousBuffer(&buffer), S_OK);
    BYTE* dados = nullptr;
    DWORD comprimento = 0;
    if (!buffer || FAILED(buffer->Lock(&dados, nullptr, &comprimento))) return std::nullopt;
    EXPECT_EQ(comprimento, TAMANHO_DO_QUADRO);
    const Origem_ origem = comprimento == TAMANHO_DO_QUADRO ? origem_de(dados) : Origem_::Outra;
    buffer->Unlock();
    return origem;
  }

  Exportacoes dll_;
  ComPtr<IMFMediaSource> fonte_;
  ComPtr<IMFSourceReader> leitor_;
};

constexpr int AMOSTRAS_DE_PADRAO = 10;
constexpr int AMOSTRAS_DO_ESCRITOR = 10;
constexpr int LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR = 90;  // three seconds

TEST_F(Consumidor, SemEscritorEntregaPadraoDeBancada) {
  const auto configurados = contar_mensagem("cano desta câmera configurado (nome omitido)");
  const auto criadas = contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)");
  abrir_camera("norva-teste-padrao-" + std::to_string(GetCurrentProcessId()));
  for (int i = 0; i < AMOSTRAS_DE_PADRAO; ++i) {
    const auto origem = ler_amostra();
    ASSERT_TRUE(origem.has_value()) << "sample " << i;
    EXPECT_EQ(*origem, Origem_::Padrao) << "sample " << i;
  }
  EXPECT_EQ(contar_mensagem("cano desta câmera configurado (nome omitido)"), configurados + 1);
  EXPECT_EQ(contar_mensagem("fonte de mídia criada (1920x1080 NV12 30fps)"), criadas + 1);
}

TEST_F(Consumidor, ComEscritorEntregaOsQuadrosDele) {
  const std::string nome = "norva-teste-cano-" + std::to_string(GetCurrentProcessId());
  Escritor escritor(nome_do_cano_para(nome));
  ASSERT_TRUE(escritor.pronto()) << "CreateNamedPipeW failed: " << GetLastError();
  const auto conexoes = contar_mensagem("cano conectado");
  abrir_camera(nome);

  int ate_o_primeiro = 0;
  std::optional<Origem_> origem;
  while ((origem = ler_amostra()) != Origem_::Escritor && ++ate_o_primeiro < LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR) {
  }
  ASSERT_EQ(origem, Origem_::Escritor) << "no writer frame within " << LIMITE_ATE_O_PRIMEIRO_DO_ESCRITOR
                                       << " samples; writer wrote " << escritor.escritos();
  for (int i = 0; i < AMOSTRAS_DO_ESCRITOR; ++i) {
    EXPECT_EQ(ler_amostra(), Origem_::Escritor) << "sample " << i << " after the first writer frame";
  }
  EXPECT_EQ(contar_mensagem("cano conectado"), conexoes + 1);
  EXPECT_EQ(fonte_->Shutdown(), S_OK);  // before the writer goes away
}

}  // namespace
}  // namespace norva::teste
