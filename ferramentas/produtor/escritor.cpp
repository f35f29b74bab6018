#include "ferramentas/produtor/escritor.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/texto_de_erro_windows.h"
#include "fonte/src/registro/utf8.h"

namespace norva::produtor {
namespace {

// How often the writer thread tries again to create a listening instance
// after the system refused one.
constexpr DWORD NOVA_TENTATIVA_DE_ESCUTA_MS = 100;
// Longest a close waits for the clients to take the newest frame.
constexpr std::chrono::seconds ESPERA_DO_FECHAMENTO{1};

std::unexpected<Falha> falha(norva_escritor_erro codigo, std::string mensagem) {
  return std::unexpected(Falha{codigo, std::move(mensagem)});
}

}  // namespace

// A pipe instance: listening for a client, then serving it. Its overlapped
// operation (connect or write) is always finished or cancelled before the
// handle closes.
struct Escritor::Instancia {
  HANDLE cano = INVALID_HANDLE_VALUE;
  HANDLE evento = nullptr;  // manual reset, of the overlapped operation
  OVERLAPPED ov{};
  bool pendente = false;
  bool viva = true;
  // As a client's instance:
  std::shared_ptr<const Pacote> pacote;  // being written
  std::size_t escritos = 0;              // of pacote
  std::uint64_t ultima = 0;              // sequence of the last record written whole; 0: none yet

  explicit Instancia(HANDLE c) : cano(c), evento(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Instancia() {
    if (pendente) {
      CancelIoEx(cano, &ov);
      DWORD ignorado = 0;
      GetOverlappedResult(cano, &ov, &ignorado, TRUE);
    }
    CloseHandle(cano);
    if (evento != nullptr) CloseHandle(evento);
  }
  Instancia(const Instancia&) = delete;
  Instancia& operator=(const Instancia&) = delete;

  // Starts waiting for a client. False when the instance is unusable.
  bool escutar() {
    if (evento == nullptr) return false;
    ov = OVERLAPPED{};
    ov.hEvent = evento;
    ResetEvent(evento);
    if (ConnectNamedPipe(cano, &ov)) return SetEvent(evento) != 0;
    switch (GetLastError()) {
      case ERROR_PIPE_CONNECTED: return SetEvent(evento) != 0;  // came between create and connect
      case ERROR_IO_PENDING: pendente = true; return true;
      default: return false;
    }
  }

  // A client connected: true; still waiting or failed: false (viva tells).
  bool conectou() {
    if (WaitForSingleObject(evento, 0) != WAIT_OBJECT_0) return false;
    if (pendente) {
      pendente = false;
      DWORD ignorado = 0;
      if (!GetOverlappedResult(cano, &ov, &ignorado, FALSE)) return viva = false;
    }
    return true;
  }

  // Writes the rest of `pacote` until done, pending or failed. True when the
  // record went out whole.
  bool continuar() {
    const std::size_t total = pacote->bytes.size();
    while (escritos < total) {
      ov = OVERLAPPED{};
      ov.hEvent = evento;
      const DWORD pedidos = static_cast<DWORD>(total - escritos);
      DWORD feitos = 0;
      if (!WriteFile(cano, pacote->bytes.data() + escritos, pedidos, nullptr, &ov)) {
        if (GetLastError() == ERROR_IO_PENDING) {
          pendente = true;
          return false;
        }
        return viva = false;  // the client is gone
      }
      if (!GetOverlappedResult(cano, &ov, &feitos, FALSE) || feitos == 0) return viva = false;
      escritos += feitos;
    }
    return true;
  }

  // The pending write finished: true when that completed the record.
  bool concluir_escrita() {
    pendente = false;
    DWORD feitos = 0;
    if (!GetOverlappedResult(cano, &ov, &feitos, FALSE) || feitos == 0) return viva = false;
    escritos += feitos;
    return continuar();
  }
};

Escritor::Escritor(std::string nome, DescritorDeSeguranca seguranca)
    : nome_(std::move(nome)),
      seguranca_(std::move(seguranca)),
      parar_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      novo_quadro_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

Escritor::~Escritor() {
  fechar();
  if (parar_ != nullptr) CloseHandle(parar_);
  if (novo_quadro_ != nullptr) CloseHandle(novo_quadro_);
}

std::expected<std::unique_ptr<Escritor>, Falha> Escritor::abrir(const std::optional<std::string>& nome_amigavel) {
  auto seguranca = seguranca_do_cano();
  if (!seguranca) return std::unexpected(seguranca.error());
  std::unique_ptr<Escritor> escritor(new Escritor(norva::nome_do_cano(nome_amigavel), std::move(*seguranca)));
  if (escritor->parar_ == nullptr || escritor->novo_quadro_ == nullptr) {
    return falha(NORVA_ESCRITOR_ERRO_SISTEMA,
                 "cannot create an event: " + texto_do_erro_do_sistema(GetLastError()));
  }
  // The flag on the first instance is the guarantee; asking first names the
  // usual case early, and also where the flag is not enforced (Wine 8).
  const bool existe = WaitNamedPipeW(largo_de_utf8(escritor->nome_).c_str(), 1) || GetLastError() != ERROR_FILE_NOT_FOUND;
  const std::string ocupado = "the pipe " + escritor->nome_ + " is already served by another process";
  const std::string primeiro = "; end that writer first";
  if (existe) return falha(NORVA_ESCRITOR_ERRO_CANO_OCUPADO, ocupado + primeiro);
  const auto primeira = escritor->criar_instancia(true);
  if (!primeira) {
    const DWORD erro = primeira.error();
    // FILE_FLAG_FIRST_PIPE_INSTANCE answers "access denied" when the name
    // exists; "pipe busy" when its instances are all taken.
    if (erro == ERROR_ACCESS_DENIED || erro == ERROR_PIPE_BUSY) {
      return falha(NORVA_ESCRITOR_ERRO_CANO_OCUPADO, ocupado + " (" + texto_do_erro_do_sistema(erro) + ")" + primeiro);
    }
    return falha(NORVA_ESCRITOR_ERRO_SISTEMA,
                 "cannot create the pipe " + escritor->nome_ + ": " + texto_do_erro_do_sistema(erro));
  }
  try {
    escritor->escritor_ = std::thread(&Escritor::servir, escritor.get(), *primeira);
  } catch (const std::system_error& e) {
    CloseHandle(*primeira);
    return falha(NORVA_ESCRITOR_ERRO_SISTEMA, std::string("cannot start the writer thread: ") + e.what());
  }
  return escritor;
}

std::expected<HANDLE, DWORD> Escritor::criar_instancia(bool primeira) {
  SECURITY_ATTRIBUTES atributos{sizeof atributos, seguranca_.get(), FALSE};
  // Outbound only: the camera never writes. Byte stream: the camera
  // reassembles records by length. Local clients only.
  const HANDLE cano = CreateNamedPipeW(
      largo_de_utf8(nome_).c_str(),
      PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | (primeira ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, static_cast<DWORD>(MAXIMO_DE_CLIENTES + 1),
      BUFFER_DO_CANO, 0, 0, &atributos);
  if (cano == INVALID_HANDLE_VALUE) return std::unexpected(GetLastError());
  return cano;
}

std::shared_ptr<Pacote> Escritor::pacote_livre() {
  for (auto& r : reserva_) {
    // Only the reserve holds it: no client writes it and it is not the newest.
    if (r.use_count() == 1) {
      std::atomic_thread_fence(std::memory_order_acquire);
      return r;
    }
  }
  auto novo = std::make_shared<Pacote>();
  novo->bytes.resize(TAMANHO_DO_PACOTE);
  reserva_.push_back(novo);
  return novo;
}

std::expected<void, Falha> Escritor::enviar(const Imagem& imagem, std::uint64_t ts) {
  const auto passo = validar(imagem);
  if (!passo) return std::unexpected(passo.error());
  const Falha fechado{NORVA_ESCRITOR_ERRO_FECHADO, "the writer of " + nome_ + " is closed"};
  {
    std::lock_guard trava(estado_);
    if (fechado_) return std::unexpected(fechado);
  }
  std::lock_guard envio(envio_);
  std::shared_ptr<Pacote> pacote;
  try {
    pacote = pacote_livre();
  } catch (const std::bad_alloc&) {
    return falha(NORVA_ESCRITOR_ERRO_SISTEMA, "out of memory for a frame");
  }
  const auto cabecalho = CabecalhoDoQuadro::para_quadro(ts);
  std::memcpy(pacote->bytes.data(), cabecalho.data(), cabecalho.size());
  converter_para_nv12(imagem, *passo,
                      std::span<std::uint8_t, TAMANHO_DO_QUADRO>(pacote->bytes.data() + cabecalho.size(),
                                                                 TAMANHO_DO_QUADRO));
  {
    std::lock_guard trava(estado_);
    if (fechado_) return std::unexpected(fechado);
    pacote->sequencia = ++sequencia_;
    mais_novo_ = std::move(pacote);
  }
  aceitos_.fetch_add(1, std::memory_order_relaxed);
  SetEvent(novo_quadro_);
  return {};
}

norva_escritor_estatisticas Escritor::estatisticas() const {
  return {aceitos_.load(), enviados_.load(), pulados_.load(), clientes_.load()};
}

void Escritor::fechar() {
  std::lock_guard fechando(fechamento_);
  {
    std::lock_guard trava(estado_);
    fechado_ = true;
  }
  if (escritor_.joinable()) {
    SetEvent(parar_);
    escritor_.join();
  }
}

void Escritor::servir(HANDLE primeira) {
  std::unique_ptr<Instancia> escuta = std::make_unique<Instancia>(primeira);
  if (!escuta->escutar()) escuta.reset();
  std::vector<std::unique_ptr<Instancia>> clientes;
  // Closing: no new clients, and the present ones finish the newest frame
  // until the deadline.
  std::optional<std::chrono::steady_clock::time_point> prazo;
  for (;;) {
    HANDLE esperas[3 + MAXIMO_DE_CLIENTES];
    DWORD n = 0;
    if (!prazo) esperas[n++] = parar_;
    esperas[n++] = novo_quadro_;
    if (escuta) esperas[n++] = escuta->evento;
    for (const auto& c : clientes) {
      if (c->pendente) esperas[n++] = c->evento;
    }
    DWORD limite = escuta ? INFINITE : NOVA_TENTATIVA_DE_ESCUTA_MS;
    if (prazo) {
      const auto falta = std::chrono::ceil<std::chrono::milliseconds>(*prazo - std::chrono::steady_clock::now());
      limite = static_cast<DWORD>(std::max<std::int64_t>(0, falta.count()));
    }
    const DWORD r = WaitForMultipleObjects(n, esperas, FALSE, limite);
    if (!prazo && r == WAIT_OBJECT_0) {
      prazo = std::chrono::steady_clock::now() + ESPERA_DO_FECHAMENTO;
      escuta.reset();
    }

    if (escuta && escuta->conectou()) {
      if (clientes.size() < MAXIMO_DE_CLIENTES) {
        clientes.push_back(std::move(escuta));
      } else {
        // Full: turn the newcomer away and keep listening on its instance.
        DisconnectNamedPipe(escuta->cano);
        if (!escuta->escutar()) escuta.reset();
      }
    } else if (escuta && !escuta->viva) {
      escuta.reset();
    }
    if (!escuta && !prazo) {
      if (auto cano = criar_instancia(false)) {
        escuta = std::make_unique<Instancia>(*cano);
        if (!escuta->escutar()) escuta.reset();
      }
    }

    for (auto& c : clientes) {
      if (c->pendente && HasOverlappedIoCompleted(&c->ov) && c->concluir_escrita()) {
        enviados_.fetch_add(1, std::memory_order_relaxed);
        c->ultima = c->pacote->sequencia;
        c->pacote.reset();
      }
    }
    std::shared_ptr<const Pacote> novo;
    {
      std::lock_guard trava(estado_);
      novo = mais_novo_;
    }
    for (auto& c : clientes) {
      while (novo && c->viva && !c->pendente && novo->sequencia > c->ultima) {
        if (!c->pacote) {
          if (c->ultima != 0) pulados_.fetch_add(novo->sequencia - c->ultima - 1, std::memory_order_relaxed);
          c->pacote = novo;
          c->escritos = 0;
        }
        if (!c->continuar()) break;
        enviados_.fetch_add(1, std::memory_order_relaxed);
        c->ultima = c->pacote->sequencia;
        c->pacote.reset();
      }
    }
    std::erase_if(clientes, [](const auto& c) { return !c->viva; });
    clientes_.store(static_cast<std::uint32_t>(clientes.size()), std::memory_order_relaxed);
    if (prazo) {
      const bool em_dia = std::ranges::all_of(
          clientes, [&](const auto& c) { return !c->pendente && (!novo || c->ultima == novo->sequencia); });
      if (em_dia || std::chrono::steady_clock::now() >= *prazo) break;
    }
  }
  clientes_.store(0, std::memory_order_relaxed);
}

}  // namespace norva::produtor
