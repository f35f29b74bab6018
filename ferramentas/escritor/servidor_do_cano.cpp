#include "ferramentas/escritor/servidor_do_cano.h"

#include <sddl.h>

#include <algorithm>
#include <limits>

#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

constexpr DWORD MAIOR_ESCRITA = std::numeric_limits<DWORD>::max();

}  // namespace

ConexaoDoEscritor::ConexaoDoEscritor(HANDLE instancia)
    : instancia_(instancia), evento_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ConexaoDoEscritor::~ConexaoDoEscritor() {
  CloseHandle(instancia_);
  if (evento_ != nullptr) CloseHandle(evento_);
}

bool ConexaoDoEscritor::escrever(std::span<const std::uint8_t> bytes) {
  if (evento_ == nullptr) return false;
  while (!bytes.empty()) {
    OVERLAPPED ov{};
    ov.hEvent = evento_;
    ResetEvent(evento_);
    const DWORD pedidos = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MAIOR_ESCRITA));
    DWORD escritos = 0;
    if (!WriteFile(instancia_, bytes.data(), pedidos, &escritos, &ov)) {
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (!GetOverlappedResult(instancia_, &ov, &escritos, TRUE)) return false;
    } else if (!GetOverlappedResult(instancia_, &ov, &escritos, TRUE)) {
      return false;
    }
    if (escritos == 0) return false;
    bytes = bytes.subspan(escritos);
  }
  return true;
}

bool ConexaoDoEscritor::escrever_quadro(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro,
                                        std::uint64_t ts_do_host) {
  return escrever(CabecalhoDoQuadro::para_quadro(ts_do_host)) && escrever(quadro);
}

ServidorDoCano::ServidorDoCano(const std::string& nome, const std::wstring& lista)
    : nome_(largo_de_utf8(nome)), evento_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!lista.empty() &&
      !ConvertStringSecurityDescriptorToSecurityDescriptorW(lista.c_str(), SDDL_REVISION_1, &lista_, nullptr)) {
    erro_da_lista_ = GetLastError();
  }
}

ServidorDoCano::~ServidorDoCano() {
  if (escutando_ != INVALID_HANDLE_VALUE) {
    if (conectando_) {
      CancelIoEx(escutando_, &conexao_pendente_);
      DWORD ignorado = 0;
      GetOverlappedResult(escutando_, &conexao_pendente_, &ignorado, TRUE);
    }
    CloseHandle(escutando_);
  }
  if (evento_ != nullptr) CloseHandle(evento_);
  LocalFree(lista_);
}

DWORD ServidorDoCano::preparar() {
  if (escutando_ != INVALID_HANDLE_VALUE) return 0;
  if (evento_ == nullptr) return ultimo_erro_ = ERROR_INVALID_HANDLE;
  if (erro_da_lista_ != 0) return ultimo_erro_ = erro_da_lista_;
  SECURITY_ATTRIBUTES atributos{sizeof atributos, lista_, FALSE};
  // Outbound only: the camera never writes. Byte stream: the camera
  // reassembles records by length. Local clients only.
  escutando_ = CreateNamedPipeW(nome_.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, PIPE_UNLIMITED_INSTANCES,
                                BUFFER_DO_CANO, 0, 0, lista_ != nullptr ? &atributos : nullptr);
  if (escutando_ == INVALID_HANDLE_VALUE) return ultimo_erro_ = GetLastError();
  conexao_pendente_ = OVERLAPPED{};
  conexao_pendente_.hEvent = evento_;
  ResetEvent(evento_);
  if (ConnectNamedPipe(escutando_, &conexao_pendente_)) {
    SetEvent(evento_);
  } else {
    const DWORD erro = GetLastError();
    if (erro == ERROR_PIPE_CONNECTED) {
      SetEvent(evento_);  // the client came between create and connect
    } else if (erro == ERROR_IO_PENDING) {
      conectando_ = true;
    } else {
      CloseHandle(escutando_);
      escutando_ = INVALID_HANDLE_VALUE;
      return ultimo_erro_ = erro;
    }
  }
  return 0;
}

std::unique_ptr<ConexaoDoEscritor> ServidorDoCano::aceitar(std::chrono::milliseconds limite) {
  if (preparar() != 0) return nullptr;
  const DWORD espera = WaitForSingleObject(evento_, static_cast<DWORD>(limite.count()));
  if (espera != WAIT_OBJECT_0) {
    ultimo_erro_ = espera == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
    return nullptr;
  }
  if (conectando_) {
    DWORD ignorado = 0;
    conectando_ = false;
    if (!GetOverlappedResult(escutando_, &conexao_pendente_, &ignorado, FALSE)) {
      ultimo_erro_ = GetLastError();
      CloseHandle(escutando_);
      escutando_ = INVALID_HANDLE_VALUE;
      return nullptr;
    }
  }
  HANDLE conectada = escutando_;
  escutando_ = INVALID_HANDLE_VALUE;
  return std::make_unique<ConexaoDoEscritor>(conectada);
}

}  // namespace norva::ferramentas
