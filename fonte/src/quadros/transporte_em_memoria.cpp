#include "fonte/src/quadros/transporte_em_memoria.h"

#include <algorithm>
#include <cstring>

namespace norva {

// One connection's byte stream, shared by its two ends.
class CanalEmMemoria {
 public:
  mutable std::mutex mutex;  // guards everything below
  std::condition_variable sinal;
  std::vector<std::uint8_t> bytes;
  std::size_t lidos = 0;  // prefix of `bytes` already taken by the reader
  bool escritor_fechou = false;
  bool leitor_fechou = false;
  bool interrompido = false;
};

namespace {

// Keeps the buffer from growing without bound under a long stream.
void compactar(CanalEmMemoria& c) {
  if (c.lidos > 0 && c.lidos * 2 >= c.bytes.size()) {
    c.bytes.erase(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(c.lidos));
    c.lidos = 0;
  }
}

}  // namespace

class ConexaoEmMemoria final : public ConexaoDoCano {
 public:
  ConexaoEmMemoria(std::shared_ptr<TransporteEmMemoria> transporte, std::shared_ptr<CanalEmMemoria> canal)
      : transporte_(std::move(transporte)), canal_(std::move(canal)) {}

  ~ConexaoEmMemoria() override {
    {
      const std::lock_guard trava(canal_->mutex);
      canal_->leitor_fechou = true;
    }
    canal_->sinal.notify_all();
    transporte_->conexao_fechada();
  }

  ResultadoDaLeitura ler(std::span<std::uint8_t> destino) override {
    std::unique_lock trava(canal_->mutex);
    canal_->sinal.wait(trava, [&] {
      return canal_->interrompido || canal_->escritor_fechou || canal_->lidos < canal_->bytes.size();
    });
    if (canal_->interrompido) return {FimDaLeitura::Interrompida, 0};
    const std::size_t disponiveis = canal_->bytes.size() - canal_->lidos;
    if (disponiveis == 0) return {FimDaLeitura::Fim, 0};
    const std::size_t n = std::min(disponiveis, destino.size());
    std::memcpy(destino.data(), canal_->bytes.data() + canal_->lidos, n);
    canal_->lidos += n;
    compactar(*canal_);
    return {FimDaLeitura::Dados, n};
  }

  void interromper() noexcept override {
    {
      const std::lock_guard trava(canal_->mutex);
      canal_->interrompido = true;
    }
    canal_->sinal.notify_all();
  }

 private:
  std::shared_ptr<TransporteEmMemoria> transporte_;
  std::shared_ptr<CanalEmMemoria> canal_;
};

LadoDoEscritor::LadoDoEscritor(std::shared_ptr<CanalEmMemoria> canal) : canal_(std::move(canal)) {}

LadoDoEscritor::~LadoDoEscritor() { fechar(); }

bool LadoDoEscritor::escrever(std::span<const std::uint8_t> bytes) {
  {
    const std::lock_guard trava(canal_->mutex);
    if (canal_->leitor_fechou || canal_->escritor_fechou) return false;
    canal_->bytes.insert(canal_->bytes.end(), bytes.begin(), bytes.end());
  }
  canal_->sinal.notify_all();
  return true;
}

void LadoDoEscritor::fechar() {
  {
    const std::lock_guard trava(canal_->mutex);
    canal_->escritor_fechou = true;
  }
  canal_->sinal.notify_all();
}

bool LadoDoEscritor::esperar_leitor_fechar(std::chrono::milliseconds limite) {
  std::unique_lock trava(canal_->mutex);
  return canal_->sinal.wait_for(trava, limite, [&] { return canal_->leitor_fechou; });
}

std::size_t LadoDoEscritor::pendentes() const {
  const std::lock_guard trava(canal_->mutex);
  return canal_->bytes.size() - canal_->lidos;
}

ServidorEmMemoria::ServidorEmMemoria(std::shared_ptr<TransporteEmMemoria> transporte, std::string nome)
    : transporte_(std::move(transporte)), nome_(std::move(nome)) {}

ServidorEmMemoria::~ServidorEmMemoria() { transporte_->remover(nome_); }

std::unique_ptr<LadoDoEscritor> ServidorEmMemoria::aceitar(std::chrono::milliseconds limite) {
  return transporte_->aceitar(nome_, limite);
}

std::shared_ptr<TransporteEmMemoria> TransporteEmMemoria::novo() {
  return std::make_shared<TransporteEmMemoria>();
}

std::shared_ptr<TransporteEmMemoria> TransporteEmMemoria::do_processo() {
  static const std::shared_ptr<TransporteEmMemoria> unico = novo();
  return unico;
}

std::unique_ptr<ServidorEmMemoria> TransporteEmMemoria::criar(const std::string& nome, std::size_t instancias) {
  {
    const std::lock_guard trava(mutex_);
    canos_[nome] = Cano{std::max<std::size_t>(instancias, 1), {}, {}};
  }
  return std::unique_ptr<ServidorEmMemoria>(new ServidorEmMemoria(shared_from_this(), nome));
}

void TransporteEmMemoria::remover(const std::string& nome) {
  std::vector<std::shared_ptr<CanalEmMemoria>> conexoes;
  {
    const std::lock_guard trava(mutex_);
    const auto it = canos_.find(nome);
    if (it == canos_.end()) return;
    conexoes = std::move(it->second.conexoes);
    canos_.erase(it);
  }
  // The writer is gone: its connections end as if it had closed them.
  for (const auto& canal : conexoes) {
    {
      const std::lock_guard trava(canal->mutex);
      canal->escritor_fechou = true;
    }
    canal->sinal.notify_all();
  }
}

std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> TransporteEmMemoria::abrir(const std::string& nome) {
  std::shared_ptr<CanalEmMemoria> canal;
  {
    const std::lock_guard trava(mutex_);
    const auto it = canos_.find(nome);
    if (it == canos_.end()) {
      return std::unexpected(FalhaAoAbrir{"The system cannot find the file specified.", ERRO_CANO_INEXISTENTE});
    }
    Cano& cano = it->second;
    // An instance is free again once its writer has closed its end.
    std::erase_if(cano.conexoes, [](const std::shared_ptr<CanalEmMemoria>& c) {
      const std::lock_guard t(c->mutex);
      return c->escritor_fechou;
    });
    if (cano.conexoes.size() >= cano.instancias) {
      return std::unexpected(FalhaAoAbrir{"All pipe instances are busy.", ERRO_CANO_OCUPADO});
    }
    canal = std::make_shared<CanalEmMemoria>();
    cano.conexoes.push_back(canal);
    cano.a_aceitar.push_back(canal);
    ++conexoes_abertas_;
    ++aberturas_;
  }
  sinal_.notify_all();
  return std::make_unique<ConexaoEmMemoria>(shared_from_this(), std::move(canal));
}

std::unique_ptr<LadoDoEscritor> TransporteEmMemoria::aceitar(const std::string& nome,
                                                             std::chrono::milliseconds limite) {
  std::unique_lock trava(mutex_);
  std::shared_ptr<CanalEmMemoria> canal;
  sinal_.wait_for(trava, limite, [&] {
    const auto it = canos_.find(nome);
    if (it == canos_.end() || it->second.a_aceitar.empty()) return false;
    canal = it->second.a_aceitar.front();
    it->second.a_aceitar.erase(it->second.a_aceitar.begin());
    return true;
  });
  if (!canal) return nullptr;
  return std::make_unique<LadoDoEscritor>(std::move(canal));
}

void TransporteEmMemoria::conexao_fechada() {
  const std::lock_guard trava(mutex_);
  --conexoes_abertas_;
}

std::size_t TransporteEmMemoria::conexoes_abertas() const {
  const std::lock_guard trava(mutex_);
  return conexoes_abertas_;
}

std::uint64_t TransporteEmMemoria::aberturas() const {
  const std::lock_guard trava(mutex_);
  return aberturas_;
}

}  // namespace norva
