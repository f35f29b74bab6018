#include "fonte/src/quadros/ciclo_de_leitura.h"

#include <algorithm>
#include <new>

#include "fonte/src/quadros/leitura.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/texto_de_erro.h"

namespace norva {
namespace {

// How one connection ended.
enum class FimDaConexao : std::uint8_t {
  Parou,       // stop requested: end the thread quietly
  Caiu,        // writer closed or a read failed after a whole record: reopen at once
  Recusada,    // bad header, or the end came before the first whole record: back off
  SemMemoria   // no receive buffer: drop the connection, pause, retry
};

// The pause before reopening after a refusal: 500 ms, doubling with each
// consecutive refusal up to 30 s; a whole record starts it over.
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
    return novo_pacote();
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

// Hands the whole record in `recepcao` over as the newest frame. The buffer
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
        publicar(*leitor.mesa, recepcao, r.ts_do_host);
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

}  // namespace

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

}  // namespace norva
