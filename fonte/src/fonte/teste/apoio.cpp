#include "fonte/src/fonte/teste/apoio.h"

#include <chrono>
#include <cstring>

#include "fonte/src/plataforma/injecao.h"
#include "fonte/src/quadros/teste/apoio.h"
#include "fonte/src/quadros/cabecalho.h"
#include "fonte/src/quadros/cano.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/registro/registro_teste.h"
#include "fonte/src/registro/utf8.h"

namespace norva::teste {

void AmbienteMF::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET), S_OK);
  fontes_antes_ = Fonte::vivos();
  fluxos_antes_ = Fluxo::vivos();
}

void AmbienteMF::TearDown() {
  plataforma::teste::limpar_falhas();
  if (conferir_vivos_) {
    EXPECT_EQ(Fonte::vivos(), fontes_antes_) << "a source was not freed";
    EXPECT_EQ(Fluxo::vivos(), fluxos_antes_) << "a stream was not freed";
  }
  // Every camera is shut down by now: its pipe reader must end before the
  // process does.
  EXPECT_TRUE(esperar_ate([] { return leitores_vivos() == 0; })) << "a pipe reader is still running";
  MFShutdown();
  CoUninitialize();
}

ComPtr<IMFMediaSourceEx> AmbienteMF::nova_fonte() {
  auto fonte = Fonte::criar();
  EXPECT_TRUE(fonte.has_value()) << std::hex << (fonte ? S_OK : fonte.error().hr);
  return fonte ? *fonte : nullptr;
}

std::wstring AmbienteMF::dar_nome_unico(IMFMediaSourceEx* fonte, const char* base) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string nome = nome_unico(std::string("norva-D-") + info->name() + "-" + base);
  for (char& c : nome) {
    if (c == '/') c = '-';
  }
  const std::wstring largo(nome.begin(), nome.end());
  ComPtr<IMFAttributes> atributos;
  EXPECT_EQ(fonte->QueryInterface(IID_PPV_ARGS(&atributos)), S_OK);
  EXPECT_EQ(atributos->SetString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, largo.c_str()), S_OK);
  return largo;
}

void AmbienteMF::iniciar(IMFMediaSourceEx* fonte) {
  ComPtr<IMFPresentationDescriptor> descritor;
  ASSERT_EQ(fonte->CreatePresentationDescriptor(&descritor), S_OK);
  ASSERT_EQ(fonte->Start(descritor.Get(), nullptr, nullptr), S_OK);
}

void AmbienteMF::esperar_soltarem() {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while ((Fonte::vivos() != fontes_antes_ || Fluxo::vivos() != fluxos_antes_) &&
         std::chrono::steady_clock::now() < limite) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::vector<Evento> drenar(IMFMediaEventGenerator* gerador) {
  std::vector<Evento> eventos;
  for (;;) {
    ComPtr<IMFMediaEvent> evento;
    if (gerador->GetEvent(MF_EVENT_FLAG_NO_WAIT, &evento) != S_OK) break;
    Evento e;
    evento->GetType(&e.tipo);
    evento->GetStatus(&e.status);
    PROPVARIANT valor;
    PropVariantInit(&valor);
    evento->GetValue(&valor);
    e.vt = valor.vt;
    if (valor.vt == VT_UNKNOWN) e.objeto = valor.punkVal;
    PropVariantClear(&valor);
    eventos.push_back(e);
  }
  return eventos;
}

std::vector<MediaEventType> tipos(const std::vector<Evento>& eventos) {
  std::vector<MediaEventType> t;
  for (const Evento& e : eventos) t.push_back(e.tipo);
  return t;
}

ComPtr<IMFSample> amostra_de(const Evento& evento) {
  ComPtr<IMFSample> amostra;
  if (evento.objeto) evento.objeto.As(&amostra);
  return amostra;
}

std::vector<std::uint8_t> bytes_de(IMFSample* amostra) {
  ComPtr<IMFMediaBuffer> buffer;
  if (FAILED(amostra->GetBufferByIndex(0, &buffer))) return {};
  BYTE* dados = nullptr;
  DWORD tamanho = 0;
  if (FAILED(buffer->Lock(&dados, nullptr, &tamanho))) return {};
  std::vector<std::uint8_t> copia(dados, dados + tamanho);
  buffer->Unlock();
  return copia;
}

std::size_t vezes_no_registro(const std::string& mensagem) { return contar_mensagem(mensagem); }

EscritorDeTeste::EscritorDeTeste(const std::wstring& nome_amigavel, std::uint8_t valor)
    : valor_(valor) {
  std::optional<std::string> amigavel;
  if (!nome_amigavel.empty()) amigavel = utf8_de_utf16(std::wstring_view(nome_amigavel));
  const std::string nome = nome_do_cano(amigavel);
  const std::wstring largo(nome.begin(), nome.end());
  constexpr DWORD TAMANHO_DO_BUFFER = 1 << 16;
  cano_ = CreateNamedPipeW(largo.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                           PIPE_TYPE_BYTE | PIPE_WAIT, 1, TAMANHO_DO_BUFFER, 0, 0, nullptr);
  EXPECT_NE(cano_, INVALID_HANDLE_VALUE) << GetLastError();
  thread_ = std::thread([this] { servir(); });
}

EscritorDeTeste::~EscritorDeTeste() {
  parar_.store(true);
  thread_.join();
  if (cano_ != INVALID_HANDLE_VALUE) {
    DisconnectNamedPipe(cano_);
    CloseHandle(cano_);
  }
}

namespace {

// Waits for an overlapped operation, giving up (and cancelling it) when
// `parar` is set. True when it completed successfully.
bool concluir(HANDLE cano, OVERLAPPED& operacao, const std::atomic<bool>& parar) {
  constexpr DWORD PASSO_MS = 20;
  while (WaitForSingleObject(operacao.hEvent, PASSO_MS) == WAIT_TIMEOUT) {
    if (parar.load()) {
      CancelIo(cano);
      DWORD ignorado = 0;
      GetOverlappedResult(cano, &operacao, &ignorado, TRUE);
      return false;
    }
  }
  DWORD transferidos = 0;
  return GetOverlappedResult(cano, &operacao, &transferidos, FALSE) != FALSE;
}

}  // namespace

void EscritorDeTeste::servir() {
  if (cano_ == INVALID_HANDLE_VALUE) return;
  OVERLAPPED operacao{};
  operacao.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool ligado = ConnectNamedPipe(cano_, &operacao) != FALSE;
  if (!ligado) {
    const DWORD erro = GetLastError();
    ligado = erro == ERROR_PIPE_CONNECTED || (erro == ERROR_IO_PENDING && concluir(cano_, operacao, parar_));
  }
  if (ligado) conectado_.store(true);
  std::vector<std::uint8_t> registro(TAMANHO_DO_PACOTE, valor_);
  while (ligado && !parar_.load()) {
    const auto cabecalho = CabecalhoDoQuadro::para_quadro(escritos_.load() + 1);
    std::memcpy(registro.data(), cabecalho.data(), cabecalho.size());
    ResetEvent(operacao.hEvent);
    if (!WriteFile(cano_, registro.data(), static_cast<DWORD>(registro.size()), nullptr, &operacao) &&
        (GetLastError() != ERROR_IO_PENDING || !concluir(cano_, operacao, parar_))) {
      break;
    }
    escritos_.fetch_add(1);
  }
  CloseHandle(operacao.hEvent);
}

}  // namespace norva::teste
