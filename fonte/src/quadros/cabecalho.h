// The pipe's wire format: every frame record, called a packet ("pacote") in
// the code so that "registro" only ever means the log, is a 24-byte header
// followed at once by one NV12 frame. All fields are little-endian and unsigned; the
// protocol generation is carried by the pipe's name, not by a field.
//
// Builds without std::expected (the fuzz build's compiler lacks it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fonte/src/quadros/geometria.h"

namespace norva {

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

}  // namespace norva
