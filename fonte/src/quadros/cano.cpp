#include "fonte/src/quadros/cano.h"

#include <cstring>
#include <system_error>

#include "fonte/src/quadros/ciclo_de_leitura.h"
#include "fonte/src/quadros/nome_do_cano.h"
#include "fonte/src/quadros/padrao_de_bancada.h"
#include "fonte/src/quadros/transporte.h"
#include "fonte/src/registro/registro.h"

namespace norva {
namespace {

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
  if (c.conectado && !e.quadro_novo) {
    // One wait only: a wake-up or the time-out, then take what is there.
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
