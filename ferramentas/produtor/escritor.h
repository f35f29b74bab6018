// Escritor: one open camera pipe. The caller's thread validates and converts
// each frame into a record of its own (header and NV12) and publishes it as
// the newest; the writer thread serves every connected camera client, one
// pipe instance each, always with the newest record it has not yet had. A
// client still busy with an older record skips to the newest when it is done
// (newest frame wins per client); nobody waits for it.
//
// Lock order: envio_ before estado_; the writer thread takes only estado_.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ferramentas/produtor/falha.h"
#include "ferramentas/produtor/imagem.h"
#include "ferramentas/produtor/seguranca_do_cano.h"

namespace norva::produtor {

// Camera clients served at once; more wait until one leaves.
inline constexpr std::size_t MAXIMO_DE_CLIENTES = 16;
// Output buffer each pipe instance asks the system for: one record fits.
inline constexpr DWORD BUFFER_DO_CANO = 4 * 1024 * 1024;

// One frame as it goes into the pipe, shared by the clients writing it.
struct Pacote {
  std::vector<std::uint8_t> bytes;  // TAMANHO_DO_PACOTE
  std::uint64_t sequencia = 0;      // 1 for the first frame accepted
};

class Escritor {
 public:
  // Creates the first pipe instance (refusing a pipe another process already
  // serves) and starts the writer thread.
  static std::expected<std::unique_ptr<Escritor>, Falha> abrir(const std::optional<std::string>& nome_amigavel);
  ~Escritor();  // closes
  Escritor(const Escritor&) = delete;
  Escritor& operator=(const Escritor&) = delete;

  std::expected<void, Falha> enviar(const Imagem& imagem, std::uint64_t ts);
  norva_escritor_estatisticas estatisticas() const;
  // Refuses later sends, lets the clients take the newest frame (for at most
  // a second), then stops the writer thread and closes every instance.
  // Idempotent.
  void fechar();

  const std::string& nome_do_cano() const { return nome_; }

 private:
  struct Instancia;
  Escritor(std::string nome, DescritorDeSeguranca seguranca);
  std::expected<HANDLE, DWORD> criar_instancia(bool primeira);
  std::shared_ptr<Pacote> pacote_livre();
  void servir(HANDLE primeira);

  const std::string nome_;  // UTF-8 pipe path
  DescritorDeSeguranca seguranca_;
  HANDLE parar_ = nullptr;       // manual reset: the writer thread ends
  HANDLE novo_quadro_ = nullptr;  // auto reset: a newer record is published

  std::mutex envio_;  // one sender at a time; guards reserva_
  std::vector<std::shared_ptr<Pacote>> reserva_;

  mutable std::mutex estado_;  // guards mais_novo_, sequencia_, fechado_
  std::shared_ptr<const Pacote> mais_novo_;
  std::uint64_t sequencia_ = 0;
  bool fechado_ = false;

  std::mutex fechamento_;  // one closer; the thread is joined once
  std::thread escritor_;

  std::atomic<std::uint64_t> aceitos_{0};
  std::atomic<std::uint64_t> enviados_{0};
  std::atomic<std::uint64_t> pulados_{0};
  std::atomic<std::uint32_t> clientes_{0};
};

}  // namespace norva::produtor
