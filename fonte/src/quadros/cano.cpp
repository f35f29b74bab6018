#include "fonte/src/quadros/cano.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>

#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/quadros/transporte.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"

namespace norva {
namespace {

// A receive buffer: one whole packet as the reader took it from the pipe,
// header then frame, so that a packet needs one read and no copy to become
// the newest frame. Shared so that a request copies the frame out after
// unlocking: the reader reuses a buffer only when nobody else holds it.
using DadosDoPacote = std::shared_ptr<std::uint8_t[]>;

// The frame's bytes within a packet.
const std::uint8_t* quadro_do_pacote(const DadosDoPacote& pacote) { return pacote.get() + CabecalhoDoQuadro::TAMANHO; }

// A frame received from the pipe, kept by the reader until the stream takes
// it, in the packet it came in.
struct Quadro {
  DadosDoPacote pacote;
  Relogio::time_point chegada;   // when the reader stored it
  std::uint64_t ts_do_host = 0;  // the writer's timestamp, carried unchanged
};

// Only ever touched with MesaDoCano::mutex held. The four counts only grow
// for the life of the Cano, across connections.
struct EstadoDoCano {
  std::optional<Quadro> quadro_novo;  // newest frame not yet taken
  DadosDoPacote ultimo_entregue;      // the last new frame handed out; source of repeats
  // The reader's next receive buffer (the previous ultimo_entregue), so
  // that it allocates nothing while frames flow. A request may still be
  // copying out of it: the reader takes it only if it is the sole owner.
  DadosDoPacote reserva;
  ContadoresDoCano contadores;  // what Cano::contadores() hands out
};

}  // namespace

// What the reader thread and the sample requests exchange. Shared by the
// Cano and its reader thread, which may outlive the Cano.
struct MesaDoCano {
  std::mutex mutex;  // guards `estado`; held for counter updates and buffer hand-overs, never for a copy, I/O or logging
  std::condition_variable sinal;  // one waiter per new frame; all on a lost connection or a stop
  EstadoDoCano estado;
};

// The stop request of one reader thread. Besides the flag the reader looks
// at, it makes a stop prompt: it cuts short the pause between failed opens
// and interrupts the pipe read the reader is blocked in, so a camera that is
// opened and closed many times never leaves readers (with their buffers and
// handles) behind.
//
// Lock order: Parada's mutex, then the connection's own (inside interromper).
class Parada {
 public:
  // Sets the flag, ends a pause at once and interrupts the watched read.
  void pedir() noexcept {
    {
      const std::lock_guard trava(mutex_);
      parar_.store(true);
      if (conexao_ != nullptr) conexao_->interromper();
    }
    sinal_.notify_all();
  }

  bool pedida() const noexcept { return parar_.load(); }

  // Sleeps for `duracao` or until a stop is requested.
  void pausar(std::chrono::milliseconds duracao) {
    std::unique_lock trava(mutex_);
    sinal_.wait_for(trava, duracao, [&] { return parar_.load(); });
  }

  // The reader's connection from now on, interrupted by a stop. False, and
  // nothing watched, when a stop was already requested: the flag is set
  // under the mutex, so either pedir sees the connection or this sees the flag.
  bool vigiar(ConexaoDoCano& conexao) {
    const std::lock_guard trava(mutex_);
    if (parar_.load()) return false;
    conexao_ = &conexao;
    return true;
  }

  // Called before the watched connection is closed.
  void esquecer() noexcept {
    const std::lock_guard trava(mutex_);
    conexao_ = nullptr;
  }

 private:
  std::atomic<bool> parar_{false};
  std::mutex mutex_;  // guards conexao_; held by pedir while interrupting it
  std::condition_variable sinal_;
  ConexaoDoCano* conexao_ = nullptr;  // not owned; the reader's, while watched
};

// The reader thread: connects to the pipe, reads packets into a receive
// buffer and publishes each whole one as the newest frame. Reconnects at once
// after a connection that delivered frames, every 500 ms after a failed open,
// and after a refused header or a connection that ended before its first
// packet only after a pause that doubles from 500 ms up to 30 s, so a server
// that refuses every connection cannot flood the log. Logs one
// "cano indisponível" line per run of failed opens.
namespace {

// Everything the reader holds: its pipe name and shared references, never
// the Cano.
struct Leitor {
  std::string nome_do_cano;
  std::shared_ptr<TransporteDoCano> transporte;
  std::shared_ptr<MesaDoCano> mesa;
  std::shared_ptr<Parada> parada;
  PausaDoLeitor pausa;  // empty: parada's own, which a stop cuts short
};

// How one connection ended.
enum class FimDaConexao : std::uint8_t {
  Parou,       // stop requested: end the thread quietly
  Caiu,        // writer closed or a read failed after a whole packet: reopen at once
  Recusada,    // bad header, or the end came before the first whole packet: back off
  SemMemoria   // no receive buffer: drop the connection, pause, retry
};

// The pause before reopening after a refusal: 500 ms, doubling with each
// consecutive refusal up to 30 s; a whole packet starts it over.
class Recuo {
 public:
  std::chrono::milliseconds proximo() {
    const auto agora = atual_;
    atual_ = std::min(atual_ * 2, PAUSA_MAXIMA_APOS_RECUSA);
    return agora;
  }
  void recomecar() { atual_ = PAUSA_APOS_FALHA; }

 private:
  std::chrono::milliseconds atual_ = PAUSA_APOS_FALHA;
};

void pausar(const Leitor& leitor, std::chrono::milliseconds duracao) {
  if (leitor.pausa) {
    leitor.pausa(duracao);
  } else {
    leitor.parada->pausar(duracao);
  }
}

// The receive buffer, or null when memory is exhausted. The reader degrades
// to "no pipe" instead of taking the process down: the stream then serves
// pattern frames, and the next connection tries again.
DadosDoPacote buffer_de_recepcao() noexcept {
  try {
    return std::make_shared_for_overwrite<std::uint8_t[]>(TAMANHO_DO_PACOTE);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void marcar_conectado(MesaDoCano& mesa) {
  const std::lock_guard trava(mesa.mutex);
  mesa.estado.contadores.conectado = true;
}

// Also forgets the frame kept for repeats (the one place that does): the
// reader reopens at once, so a request woken by this loss may already find
// the next connection up, and must not repeat a frame of the previous one.
// The buffers freed here are released after the unlock.
void marcar_perdido(MesaDoCano& mesa) {
  DadosDoPacote antigo;
  DadosDoPacote reserva;
  {
    const std::lock_guard trava(mesa.mutex);
    mesa.estado.contadores.conectado = false;
    antigo = std::move(mesa.estado.ultimo_entregue);
    reserva = std::move(mesa.estado.reserva);
  }
  mesa.sinal.notify_all();
}

// Hands the whole packet in `recepcao` over as the newest frame. The buffer
// itself moves into the slot (no copy); the reader's next receive buffer is
// the one of a frame nobody took, or the spare a request left if no request
// still copies from it, or null (a new one is then allocated).
void publicar(MesaDoCano& mesa, DadosDoPacote& recepcao, std::uint64_t ts_do_host) {
  {
    const std::lock_guard trava(mesa.mutex);
    EstadoDoCano& e = mesa.estado;
    DadosDoPacote proximo;
    if (e.quadro_novo) {
      ++e.contadores.descartados;
      proximo = std::move(e.quadro_novo->pacote);
    } else {
      proximo = std::move(e.reserva);
      // Still being copied out by a request: leave it to that request.
      if (proximo.use_count() > 1) proximo.reset();
    }
    ++e.contadores.recebidos;
    e.quadro_novo = Quadro{std::move(recepcao), Relogio::now(), ts_do_host};
    recepcao = std::move(proximo);
  }
  mesa.sinal.notify_one();
}

FimDaConexao servir(const Leitor& leitor, ConexaoDoCano& conexao, Recuo& recuo) {
  DadosDoPacote recepcao = buffer_de_recepcao();
  if (!recepcao) return FimDaConexao::SemMemoria;
  bool houve_quadro = false;
  for (;;) {
    if (leitor.parada->pedida()) return FimDaConexao::Parou;
    const PacoteLido r = ler_pacote(conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE>(recepcao.get(), TAMANHO_DO_PACOTE));
    switch (r.desfecho) {
      case DesfechoDoPacote::Quadro:
        publicar(*leitor.mesa, recepcao, r.cabecalho.ts_do_host);
        houve_quadro = true;
        recuo.recomecar();
        if (!recepcao) recepcao = buffer_de_recepcao();
        if (!recepcao) return FimDaConexao::SemMemoria;
        break;
      case DesfechoDoPacote::Interrompido:
        return FimDaConexao::Parou;
      case DesfechoDoPacote::Perdido:
        return houve_quadro ? FimDaConexao::Caiu : FimDaConexao::Recusada;
      case DesfechoDoPacote::Recusado:
        Registro::escrever(r.cabecalho.mensagem_de_recusa());
        return FimDaConexao::Recusada;
    }
  }
}

// One connection from its open to its end; the handle is closed on return.
FimDaConexao conectado(const Leitor& leitor, std::unique_ptr<ConexaoDoCano> conexao, Recuo& recuo) {
  Registro::escrever("cano conectado");
  marcar_conectado(*leitor.mesa);
  if (!leitor.parada->vigiar(*conexao)) return FimDaConexao::Parou;
  const FimDaConexao fim = servir(leitor, *conexao, recuo);
  leitor.parada->esquecer();
  if (fim == FimDaConexao::Parou) return fim;
  Registro::escrever("cano caiu; voltando a esperar");
  marcar_perdido(*leitor.mesa);
  return fim;
}

// Runs until a stop is requested; then releases the connection and buffer.
void ciclo_de_leitura(const Leitor& leitor) {
  bool falha_ja_registrada = false;
  Recuo recuo;
  while (!leitor.parada->pedida()) {
    auto aberta = leitor.transporte->abrir(leitor.nome_do_cano);
    if (!aberta) {
      if (!falha_ja_registrada) {
        Registro::escrever("cano indisponível (" +
                           texto_do_erro_do_sistema_com_mensagem(aberta.error().texto, aberta.error().codigo) +
                           "); entregando padrão de bancada");
        falha_ja_registrada = true;
      }
      pausar(leitor, PAUSA_APOS_FALHA);
      continue;
    }
    falha_ja_registrada = false;
    const FimDaConexao fim = conectado(leitor, std::move(*aberta), recuo);
    if (fim == FimDaConexao::Parou) return;
    if (fim == FimDaConexao::Recusada) pausar(leitor, recuo.proximo());
    if (fim == FimDaConexao::SemMemoria) pausar(leitor, PAUSA_APOS_FALHA);
  }
}

constexpr std::uint64_t NANOSSEGUNDOS_POR_MICROSSEGUNDO = 1000;

// Whole microseconds from `chegada` to `agora`; 0 if the clock reads earlier.
std::uint64_t idade_em_microssegundos(Relogio::time_point chegada, Relogio::time_point agora) {
  if (agora <= chegada) return 0;
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(agora - chegada).count();
  return static_cast<std::uint64_t>(ns) / NANOSSEGUNDOS_POR_MICROSSEGUNDO;
}

}  // namespace

Cano::Cano(std::shared_ptr<TransporteDoCano> transporte, LancadorDoLeitor lancar, PausaDoLeitor pausa)
    : transporte_(std::move(transporte)),
      lancar_(std::move(lancar)),
      pausa_(std::move(pausa)),
      mesa_(std::make_shared<MesaDoCano>()),
      parada_(std::make_shared<Parada>()) {}

Cano::~Cano() = default;

std::shared_ptr<Cano> Cano::novo() { return novo(transporte_da_plataforma()); }

std::shared_ptr<Cano> Cano::novo(std::shared_ptr<TransporteDoCano> transporte, LancadorDoLeitor lancar,
                                 PausaDoLeitor pausa) {
  return std::shared_ptr<Cano>(new Cano(std::move(transporte), std::move(lancar), std::move(pausa)));
}

void Cano::iniciar(const std::optional<std::string>& nome_amigavel) {
  if (iniciado_.exchange(true)) return;
  Leitor leitor{nome_do_cano(nome_amigavel), transporte_, mesa_, parada_, pausa_};
  Registro::escrever("cano desta câmera configurado (nome omitido)");
  try {
    lancar_([leitor = std::move(leitor)] { ciclo_de_leitura(leitor); });
  } catch (const std::system_error&) {
    // No reader: the camera goes on with pattern frames, as with no pipe.
  }
}

Origem Cano::obter_quadro(std::chrono::nanoseconds espera, DestinoDoQuadro destino) {
  std::unique_lock trava(mesa_->mutex);
  EstadoDoCano& e = mesa_->estado;
  ContadoresDoCano& c = e.contadores;
  if (c.conectado && !e.quadro_novo && espera > std::chrono::nanoseconds::zero()) {
    // One wait only: a wake-up or the time-out, then take what is there.
    // No wait at all without a time budget: even a zero wait_for costs a
    // trip through the condition variable.
    mesa_->sinal.wait_for(trava, espera);
  }
  // The frame is copied after unlocking, from a reference of our own: the
  // reader never writes into a buffer someone else still holds.
  DadosDoPacote origem;
  if (e.quadro_novo) {
    // The frame's own buffer becomes the source of repeats; the one it
    // replaces goes back to the reader as its spare.
    Quadro quadro = std::move(*e.quadro_novo);
    e.quadro_novo.reset();
    e.reserva = std::move(e.ultimo_entregue);
    e.ultimo_entregue = std::move(quadro.pacote);
    ++c.entregues;
    c.idade_do_quadro = idade_em_microssegundos(quadro.chegada, Relogio::now());
    c.ts_do_host = quadro.ts_do_host;
    origem = e.ultimo_entregue;
  } else if (c.conectado && e.ultimo_entregue) {
    // A lost connection has already dropped the frame kept for repeats.
    ++c.repetidos;
    ++c.entregues;
    origem = e.ultimo_entregue;
  }
  trava.unlock();
  if (origem) {
    std::memcpy(destino.data(), quadro_do_pacote(origem), TAMANHO_DO_QUADRO);
    // Let go under the mutex: the reader checks under it that nobody holds
    // a buffer before writing into it, so the copy is ordered before that.
    const std::lock_guard soltar(mesa_->mutex);
    origem.reset();
    return Origem::Cano;
  }
  PadraoDeBancada::desenhar_em(quadros_de_padrao_.fetch_add(1), destino);
  return Origem::Padrao;
}

ContadoresDoCano Cano::contadores() const {
  const std::lock_guard trava(mesa_->mutex);
  return mesa_->estado.contadores;
}

void Cano::encerrar() {
  parada_->pedir();
  // Taking the mutex once orders the wake-up after any request that is
  // between its check and its wait.
  { const std::lock_guard trava(mesa_->mutex); }
  mesa_->sinal.notify_all();
}

}  // namespace norva
