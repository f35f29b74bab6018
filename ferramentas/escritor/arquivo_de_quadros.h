// Frames from a file for the reference writer: raw NV12 1920x1080 frames
// back to back (.yuv), or a YUV4MPEG2 stream (.y4m, planar 4:2:0, converted
// to NV12 by interleaving its U and V planes). A file plays in a loop; a
// stream that cannot be rewound (standard input) plays once.
#pragma once

#include <cstdint>
#include <expected>
#include <fstream>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

// What a Y4M stream header says, as far as the writer cares.
struct CabecalhoY4m {
  std::uint32_t largura = 0;
  std::uint32_t altura = 0;
  std::string croma = "420";  // the C parameter; 4:2:0 when absent
};

// Parses the header line (without its line feed). Error: one line for the user.
std::expected<CabecalhoY4m, std::string> ler_cabecalho_y4m(std::string_view linha);

// Planar I420 (Y, then U, then V, each of the geometry's size) to NV12.
void i420_para_nv12(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> i420,
                    std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12);

class ArquivoDeQuadros {
 public:
  static constexpr std::size_t MAIOR_LINHA_Y4M = 4096;

  // Opens and checks the file: the header (Y4M), the size (raw).
  static std::expected<ArquivoDeQuadros, std::string> abrir(const std::string& caminho);

  // Frames from a stream read once, such as standard input (opened in binary
  // mode): Y4M when it starts with the signature, raw NV12 otherwise. The
  // stream must outlive the result.
  static std::expected<ArquivoDeQuadros, std::string> de_fluxo(std::istream& fluxo);

  // The next frame, back to the first after the last (a stream: acabou()
  // once it ended cleanly after a whole frame). Error: one line.
  std::expected<void, std::string> proximo(std::span<std::uint8_t, TAMANHO_DO_QUADRO> quadro);
  bool acabou() const { return acabou_; }

  std::uint64_t quadros() const { return quadros_; }

 private:
  ArquivoDeQuadros() = default;
  std::expected<void, std::string> ler_cabecalho();
  std::unique_ptr<std::ifstream> arquivo_;  // a file; absent for a stream
  std::istream* entrada_ = nullptr;          // the file or the stream
  std::string inicio_;                       // a stream's first bytes, read to tell Y4M from raw
  bool acabou_ = false;
  bool y4m_ = false;
  std::streamoff inicio_dos_quadros_ = 0;
  std::uint64_t quadros_ = 0;  // raw files: frames in the file; Y4M: 0 (unknown)
  std::uint64_t lidos_ = 0;    // of the current pass
  std::string temporario_;     // one I420 frame, for Y4M
};

}  // namespace norva::ferramentas
