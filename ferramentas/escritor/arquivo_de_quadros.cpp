#include "ferramentas/escritor/arquivo_de_quadros.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>

namespace norva::ferramentas {
namespace {

constexpr std::string_view ASSINATURA_Y4M = "YUV4MPEG2";
constexpr std::string_view MARCA_DE_QUADRO = "FRAME";
constexpr std::size_t TAMANHO_DO_PLANO_DE_CROMA = TAMANHO_DO_PLANO_Y / 4;

// The 4:2:0 layouts that share I420's byte layout (they differ only in
// where chroma samples sit, which NV12 does not record).
std::filesystem::path caminho_utf8(const std::string& texto) {
  return std::filesystem::path(std::u8string(texto.begin(), texto.end()));
}

bool croma_420(std::string_view c) { return c == "420" || c == "420jpeg" || c == "420mpeg2" || c == "420paldv"; }

std::expected<std::uint32_t, std::string> inteiro(std::string_view texto, char parametro) {
  std::uint32_t valor = 0;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (erro != std::errc{} || fim != texto.data() + texto.size() || texto.empty()) {
    return std::unexpected(std::string("Y4M header: bad ") + parametro + " value '" + std::string(texto) + "'");
  }
  return valor;
}

}  // namespace

std::expected<CabecalhoY4m, std::string> ler_cabecalho_y4m(std::string_view linha) {
  if (!linha.starts_with(ASSINATURA_Y4M) ||
      (linha.size() > ASSINATURA_Y4M.size() && linha[ASSINATURA_Y4M.size()] != ' ')) {
    return std::unexpected("not a Y4M file (no YUV4MPEG2 signature)");
  }
  CabecalhoY4m c;
  bool tem_largura = false;
  bool tem_altura = false;
  std::string_view resto = linha.substr(ASSINATURA_Y4M.size());
  while (!resto.empty()) {
    if (resto.front() == ' ') {
      resto.remove_prefix(1);
      continue;
    }
    const std::size_t fim = std::min(resto.find(' '), resto.size());
    const std::string_view campo = resto.substr(0, fim);
    resto.remove_prefix(fim);
    const std::string_view valor = campo.substr(1);
    switch (campo.front()) {
      case 'W': {
        auto v = inteiro(valor, 'W');
        if (!v) return std::unexpected(v.error());
        c.largura = *v;
        tem_largura = true;
        break;
      }
      case 'H': {
        auto v = inteiro(valor, 'H');
        if (!v) return std::unexpected(v.error());
        c.altura = *v;
        tem_altura = true;
        break;
      }
      case 'C':
        c.croma = std::string(valor);
        break;
      default:  // frame rate, interlacing, aspect, comments: not needed
        break;
    }
  }
  if (!tem_largura || !tem_altura) return std::unexpected("Y4M header lacks W or H");
  if (c.largura != LARGURA || c.altura != ALTURA) {
    return std::unexpected("Y4M picture is " + std::to_string(c.largura) + "x" + std::to_string(c.altura) +
                           "; the camera takes 1920x1080 only");
  }
  if (!croma_420(c.croma)) {
    return std::unexpected("Y4M colour space C" + c.croma + " is not 8-bit 4:2:0 (C420, C420jpeg, C420mpeg2, C420paldv)");
  }
  return c;
}

void i420_para_nv12(std::span<const std::uint8_t, TAMANHO_DO_QUADRO> i420,
                    std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12) {
  std::memcpy(nv12.data(), i420.data(), TAMANHO_DO_PLANO_Y);
  const std::uint8_t* u = i420.data() + TAMANHO_DO_PLANO_Y;
  const std::uint8_t* v = u + TAMANHO_DO_PLANO_DE_CROMA;
  std::uint8_t* uv = nv12.data() + TAMANHO_DO_PLANO_Y;
  for (std::size_t i = 0; i < TAMANHO_DO_PLANO_DE_CROMA; ++i) {
    uv[2 * i] = u[i];
    uv[2 * i + 1] = v[i];
  }
}

std::expected<ArquivoDeQuadros, std::string> ArquivoDeQuadros::abrir(const std::string& caminho) {
  ArquivoDeQuadros a;
  a.arquivo_.open(caminho_utf8(caminho), std::ios::binary);
  if (!a.arquivo_) return std::unexpected("cannot open '" + caminho + "'");
  std::error_code erro;
  const std::uintmax_t tamanho = std::filesystem::file_size(caminho_utf8(caminho), erro);
  if (erro) return std::unexpected("cannot read the size of '" + caminho + "'");

  std::array<char, ASSINATURA_Y4M.size()> inicio{};
  a.arquivo_.read(inicio.data(), inicio.size());
  a.y4m_ = a.arquivo_.gcount() == static_cast<std::streamsize>(inicio.size()) &&
           std::string_view(inicio.data(), inicio.size()) == ASSINATURA_Y4M;
  a.arquivo_.clear();
  a.arquivo_.seekg(0);
  if (a.y4m_) {
    std::string linha;
    if (!std::getline(a.arquivo_, linha) || linha.size() > MAIOR_LINHA_Y4M) {
      return std::unexpected("Y4M header line missing or too long");
    }
    auto c = ler_cabecalho_y4m(linha);
    if (!c) return std::unexpected(c.error());
    a.inicio_dos_quadros_ = a.arquivo_.tellg();
    a.temporario_.resize(TAMANHO_DO_QUADRO);
    // At least one frame must be there.
    if (tamanho < static_cast<std::uintmax_t>(a.inicio_dos_quadros_) + MARCA_DE_QUADRO.size() + 1 + TAMANHO_DO_QUADRO) {
      return std::unexpected("Y4M file holds no whole 1920x1080 frame");
    }
  } else {
    if (tamanho == 0 || tamanho % TAMANHO_DO_QUADRO != 0) {
      return std::unexpected("'" + caminho + "' is " + std::to_string(tamanho) +
                             " bytes, not a whole number of 1920x1080 NV12 frames (3110400 bytes each)");
    }
    a.quadros_ = tamanho / TAMANHO_DO_QUADRO;
  }
  return a;
}

std::expected<void, std::string> ArquivoDeQuadros::proximo(std::span<std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  if (!y4m_) {
    if (lidos_ == quadros_) {
      arquivo_.clear();
      arquivo_.seekg(0);
      lidos_ = 0;
    }
    arquivo_.read(reinterpret_cast<char*>(quadro.data()), TAMANHO_DO_QUADRO);
    if (arquivo_.gcount() != static_cast<std::streamsize>(TAMANHO_DO_QUADRO)) return std::unexpected("read error");
    ++lidos_;
    return {};
  }
  for (int tentativa = 0; tentativa < 2; ++tentativa) {
    std::string linha;
    if (std::getline(arquivo_, linha) && linha.size() <= MAIOR_LINHA_Y4M) {
      if (!linha.starts_with(MARCA_DE_QUADRO)) return std::unexpected("Y4M: expected FRAME, found something else");
      arquivo_.read(temporario_.data(), TAMANHO_DO_QUADRO);
      if (arquivo_.gcount() != static_cast<std::streamsize>(TAMANHO_DO_QUADRO)) {
        return std::unexpected("Y4M: the last frame is cut short");
      }
      i420_para_nv12(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(
                         reinterpret_cast<const std::uint8_t*>(temporario_.data()), TAMANHO_DO_QUADRO),
                     quadro);
      ++lidos_;
      return {};
    }
    if (lidos_ == 0) break;
    // End of the file: play it again.
    arquivo_.clear();
    arquivo_.seekg(inicio_dos_quadros_);
    lidos_ = 0;
  }
  return std::unexpected("Y4M: no frame could be read");
}

}  // namespace norva::ferramentas
