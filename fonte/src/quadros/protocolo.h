// The pipe's protocol: the pipe's name, the packet on the wire (a 24-byte
// header followed at once by one NV12 frame; a packet, "pacote", so that
// "registro" only ever means the log), and reading one packet off an open
// connection's byte stream. All header fields are little-endian and
// unsigned; the protocol generation is carried by the pipe's name.
//
// Builds without std::expected and without the log (the fuzz build's
// compiler lacks std::expected): a refused header is handed back, and the
// reader logs it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fonte/src/quadros/geometria.h"

namespace norva {

inline constexpr std::string_view NOME_PADRAO_DO_CANO = R"(\\.\pipe\norva-camera-v1)";

// `nome_amigavel` is UTF-8. Absent (or empty): the default pipe. Present: the
// default path, "-", and the 64-bit FNV-1a hash of its bytes as 16 lower-case
// hexadecimal digits, so that several cameras each read their own pipe and
// the friendly name itself never shows. The result is a UTF-8 path.
std::string nome_do_cano(const std::optional<std::string>& nome_amigavel);

struct CabecalhoDoQuadro {
  // "NORV" read as a little-endian 32-bit number.
  static constexpr std::uint32_t MAGICO = 0x56524F4E;
  static constexpr std::size_t TAMANHO = 24;

  // Field offsets within the header.
  static constexpr std::size_t POSICAO_DO_MAGICO = 0;
  static constexpr std::size_t POSICAO_DA_LARGURA = 4;
  static constexpr std::size_t POSICAO_DA_ALTURA = 8;
  static constexpr std::size_t POSICAO_DO_TAMANHO = 12;
  static constexpr std::size_t POSICAO_DO_TS = 16;

  std::uint32_t magico = 0;
  std::uint32_t largura = 0;
  std::uint32_t altura = 0;
  std::uint32_t tamanho = 0;
  std::uint64_t ts_do_host = 0;  // the writer's timestamp; never checked

  using Bytes = std::array<std::uint8_t, TAMANHO>;

  // Decodes the five fields; any bytes decode.
  static CabecalhoDoQuadro ler(std::span<const std::uint8_t, TAMANHO> bytes);

  // The header a writer sends before one frame.
  static Bytes para_quadro(std::uint64_t ts_do_host);
  Bytes codificar() const;

  // True only for the one contract: "NORV", 1920x1080, 3110400 bytes.
  bool aceitavel() const;

  // The log line for a header that is not acceptable, all four checked
  // values as received.
  std::string mensagem_de_recusa() const;
};

// Bytes of one whole packet on the wire.
inline constexpr std::size_t TAMANHO_DO_PACOTE = CabecalhoDoQuadro::TAMANHO + TAMANHO_DO_QUADRO;

enum class FimDaLeitura : std::uint8_t {
  Dados,        // 1 or more bytes arrived
  Fim,          // the writer closed its end (a broken pipe included)
  Erro,         // any other read failure
  Interrompida  // interromper() was called
};

struct ResultadoDaLeitura {
  FimDaLeitura fim = FimDaLeitura::Fim;
  std::size_t lidos = 0;  // > 0 only with FimDaLeitura::Dados
};

// One open client connection: a byte stream read in pieces of any size.
// `ler` and the destructor are called by the reader thread only;
// `interromper` may be called from any thread while the connection exists.
class ConexaoDoCano {
 public:
  virtual ~ConexaoDoCano() = default;

  // Blocks until at least one byte arrives (at most destino.size()), the
  // writer closes, the read fails, or the connection is interrupted.
  virtual ResultadoDaLeitura ler(std::span<std::uint8_t> destino) = 0;

  // Makes the pending read, if any, and every later one return Interrompida
  // promptly. Idempotent. Never blocks for long: at most until the reader
  // thread is either inside its read or out of it.
  virtual void interromper() noexcept = 0;
};

enum class DesfechoDoPacote : std::uint8_t {
  Quadro,       // a whole packet; header and frame are in the caller's buffer
  Perdido,      // the writer closed, or a read failed, inside or between packets
  Recusado,     // bad header; `cabecalho` says why
  Interrompido  // the reader was told to stop
};

struct PacoteLido {
  DesfechoDoPacote desfecho = DesfechoDoPacote::Perdido;
  CabecalhoDoQuadro cabecalho;  // as received: with Quadro (its ts_do_host) and Recusado
};

// One packet into `pacote`, with reads as large as what is left of it, so a
// writer that sends whole packets is read in one read per packet. The
// header is checked as soon as its 24 bytes are in (nothing more is read
// after a refusal), then the rest until the frame, at
// CabecalhoDoQuadro::TAMANHO, is whole. Never reads past one packet: a packet
// is complete in the caller's buffer or abandoned.
PacoteLido ler_pacote(ConexaoDoCano& conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE> pacote);

}  // namespace norva
