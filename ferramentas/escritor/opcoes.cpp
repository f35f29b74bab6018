#include "ferramentas/escritor/opcoes.h"

#include <charconv>

namespace norva::ferramentas {
namespace {

// A whole decimal number in [minimo, maximo], nothing else around it.
std::optional<std::uint64_t> numero(const std::string& texto, std::uint64_t minimo, std::uint64_t maximo) {
  std::uint64_t valor = 0;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (erro != std::errc{} || fim != texto.data() + texto.size() || texto.empty()) return std::nullopt;
  if (valor < minimo || valor > maximo) return std::nullopt;
  return valor;
}

}  // namespace

std::expected<OpcoesDoEscritor, std::string> ler_opcoes(const std::vector<std::string>& argumentos) {
  OpcoesDoEscritor o;
  for (std::size_t i = 0; i < argumentos.size(); ++i) {
    const std::string& a = argumentos[i];
    if (a == "--help" || a == "-h") {
      o.ajuda = true;
      continue;
    }
    if (a != "--name" && a != "--fps" && a != "--file" && a != "--frames" && a != "--wait-for") {
      return std::unexpected("unknown option '" + a + "'");
    }
    if (i + 1 >= argumentos.size()) return std::unexpected("option " + a + " needs a value");
    const std::string& valor = argumentos[++i];
    if (a == "--name") {
      if (valor.empty()) return std::unexpected("--name needs a non-empty friendly name");
      o.nome_amigavel = valor;
    } else if (a == "--fps") {
      const auto n = numero(valor, 1, OpcoesDoEscritor::QUADROS_POR_SEGUNDO_MAXIMO);
      if (!n) {
        return std::unexpected("--fps takes a whole number from 1 to " +
                               std::to_string(OpcoesDoEscritor::QUADROS_POR_SEGUNDO_MAXIMO) + ", not '" + valor + "'");
      }
      o.quadros_por_segundo = static_cast<std::uint32_t>(*n);
    } else if (a == "--file") {
      if (valor.empty()) return std::unexpected("--file needs a path");
      o.arquivo = valor;
    } else if (a == "--wait-for") {
      const auto n = numero(valor, 1, OpcoesDoEscritor::CAMERAS_MAXIMO);
      if (!n) {
        return std::unexpected("--wait-for takes a whole number of cameras from 1 to " +
                               std::to_string(OpcoesDoEscritor::CAMERAS_MAXIMO) + ", not '" + valor + "'");
      }
      o.cameras = static_cast<std::uint32_t>(*n);
    } else {
      const auto n = numero(valor, 1, UINT64_MAX);
      if (!n) return std::unexpected("--frames takes a whole number of at least 1, not '" + valor + "'");
      o.limite = *n;
    }
  }
  return o;
}

std::string texto_de_ajuda() {
  return R"(escritor_de_referencia: feeds the Norva virtual camera through its pipe, as
the desktop application does.

usage: escritor_de_referencia [--name NAME] [--fps N] [--file PATH] [--frames N]
                              [--wait-for N]

  --name NAME   the camera's friendly name; the pipe is the one that camera
                reads. Without it, the default pipe \\.\pipe\norva-camera-v1.
  --fps N       frames per second to write, 1 to 1000 (default 30).
  --file PATH   frames from a file instead of the moving test card:
                  .y4m  YUV4MPEG2 (told by its signature), 1920x1080,
                        4:2:0 (C420, C420jpeg, C420mpeg2, C420paldv),
                        converted to NV12;
                  .yuv  raw NV12 1920x1080 frames back to back.
                The file plays in a loop. PATH - reads standard input
                (Y4M or raw NV12) once, to its end, for example:
                  ffmpeg -re -i talk.mp4 -vf scale=1920:1080 -pix_fmt yuv420p
                    -f yuv4mpegpipe - | escritor_de_referencia --file -
  --frames N    stop after sending N frames.
  --wait-for N  start once N cameras read the pipe (default 1), 1 to 16.
  --help        this text.

It creates the pipe, waits for the cameras to connect, sends frames at the
chosen rate to every camera reading the pipe, prints the frames sent each
second, and pauses while no camera reads. Ctrl+C ends it.
)";
}

}  // namespace norva::ferramentas
