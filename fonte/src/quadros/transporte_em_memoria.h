// Named pipes inside one process: the transport of the host build, where the
// pipe client's logic runs natively (and under ThreadSanitizer) against
// scripted writers. A test plays the desktop application: it creates a pipe
// under a name, accepts the client, writes bytes, stalls or closes.
//
// Like a byte-mode named pipe: the reader sees one byte stream however the
// writes were split; opening fails at once with code 2 when no pipe of that
// name exists and 231 when all its instances are in use.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "fonte/src/quadros/transporte.h"

namespace norva {

inline constexpr std::uint32_t ERRO_CANO_INEXISTENTE = 2;
inline constexpr std::uint32_t ERRO_CANO_OCUPADO = 231;

class CanalEmMemoria;

// The writer's end of one accepted connection.
class LadoDoEscritor {
 public:
  explicit LadoDoEscritor(std::shared_ptr<CanalEmMemoria> canal);
  ~LadoDoEscritor();  // closes
  LadoDoEscritor(const LadoDoEscritor&) = delete;
  LadoDoEscritor& operator=(const LadoDoEscritor&) = delete;

  // Appends bytes for the reader; false once the reader has closed its end.
  bool escrever(std::span<const std::uint8_t> bytes);
  // End of data for the reader (after what was already written).
  void fechar();
  // Waits until the reader has closed its end; false on time-out.
  bool esperar_leitor_fechar(std::chrono::milliseconds limite);
  // Bytes written and not yet read.
  std::size_t pendentes() const;

 private:
  std::shared_ptr<CanalEmMemoria> canal_;
};

class TransporteEmMemoria;

// A pipe name offered by a writer. Destroying it is the writer quitting: the
// name disappears and its connections end.
class ServidorEmMemoria {
 public:
  ~ServidorEmMemoria();
  // Waits for a client to open the pipe; null on time-out.
  std::unique_ptr<LadoDoEscritor> aceitar(std::chrono::milliseconds limite);

 private:
  friend class TransporteEmMemoria;
  ServidorEmMemoria(std::shared_ptr<TransporteEmMemoria> transporte, std::string nome);
  std::shared_ptr<TransporteEmMemoria> transporte_;
  std::string nome_;
};

class TransporteEmMemoria : public TransporteDoCano, public std::enable_shared_from_this<TransporteEmMemoria> {
 public:
  static std::shared_ptr<TransporteEmMemoria> novo();
  // The one shared by every Cano::novo() of a host process.
  static std::shared_ptr<TransporteEmMemoria> do_processo();

  // Creates the pipe `nome` with `instancias` simultaneous connections.
  std::unique_ptr<ServidorEmMemoria> criar(const std::string& nome, std::size_t instancias = 1);

  std::expected<std::unique_ptr<ConexaoDoCano>, FalhaAoAbrir> abrir(const std::string& nome) override;

  // Client connections currently open (the reader's handles).
  std::size_t conexoes_abertas() const;
  // Successful opens so far.
  std::uint64_t aberturas() const;

 private:
  friend class ServidorEmMemoria;
  friend class ConexaoEmMemoria;
  struct Cano {
    std::size_t instancias = 1;
    std::vector<std::shared_ptr<CanalEmMemoria>> conexoes;  // not yet closed by the writer
    std::vector<std::shared_ptr<CanalEmMemoria>> a_aceitar;
  };
  void remover(const std::string& nome);
  std::unique_ptr<LadoDoEscritor> aceitar(const std::string& nome, std::chrono::milliseconds limite);
  void conexao_fechada();

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable sinal_;
  std::map<std::string, Cano> canos_;
  std::size_t conexoes_abertas_ = 0;
  std::uint64_t aberturas_ = 0;
};

}  // namespace norva
