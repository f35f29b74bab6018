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

std::expected<void, std::string> ArquivoDeQuadros::ler_cabecalho() {
  std::string linha;
  if (!std::getline(*entrada_, linha) || linha.size() + inicio_.size() > MAIOR_LINHA_Y4M) {
    return std::unexpected("Y4M header line missing or too long");
  }
  auto c = ler_cabecalho_y4m(inicio_ + linha);
  inicio_.clear();
  if (!c) return std::unexpected(c.error());
  temporario_.resize(TAMANHO_DO_QUADRO);
  return {};
}

std::expected<ArquivoDeQuadros, std::string> ArquivoDeQuadros::abrir(const std::string& caminho) {
  ArquivoDeQuadros a;
  a.arquivo_ = std::make_unique<std::ifstream>(caminho_utf8(caminho), std::ios::binary);
  a.entrada_ = a.arquivo_.get();
  if (!*a.arquivo_) return std::unexpected("cannot open '" + caminho + "'");
  std::error_code erro;
  const std::uintmax_t tamanho = std::filesystem::file_size(caminho_utf8(caminho), erro);
  if (erro) return std::unexpected("cannot read the size of '" + caminho + "'");

  std::array<char, ASSINATURA_Y4M.size()> inicio{};
  a.arquivo_->read(inicio.data(), inicio.size());
  a.y4m_ = a.arquivo_->gcount() == static_cast<std::streamsize>(inicio.size()) &&
           std::string_view(inicio.data(), inicio.size()) == ASSINATURA_Y4M;
  a.arquivo_->clear();
  a.arquivo_->seekg(0);
  if (a.y4m_) {
    if (auto c = a.ler_cabecalho(); !c) return std::unexpected(c.error());
    a.inicio_dos_quadros_ = a.arquivo_->tellg();
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

std::expected<ArquivoDeQuadros, std::string> ArquivoDeQuadros::de_fluxo(std::istream& fluxo) {
  ArquivoDeQuadros a;
  a.entrada_ = &fluxo;
  a.inicio_.resize(ASSINATURA_Y4M.size());
  fluxo.read(a.inicio_.data(), static_cast<std::streamsize>(a.inicio_.size()));
  a.inicio_.resize(static_cast<std::size_t>(fluxo.gcount()));
  if (a.inicio_.empty()) return std::unexpected("the input is empty");
  a.y4m_ = a.inicio_ == ASSINATURA_Y4M;
  if (a.y4m_) {
    if (auto c = a.ler_cabecalho(); !c) return std::unexpected(c.error());
  }
  return a;
}

std::expected<void, std::string> ArquivoDeQuadros::proximo(std::span<std::uint8_t, TAMANHO_DO_QUADRO> quadro) {
  std::istream& entrada = *entrada_;
  if (!y4m_) {
    if (arquivo_ && lidos_ == quadros_) {
      entrada.clear();
      entrada.seekg(0);
      lidos_ = 0;
    }
    // A stream's first bytes were read already to look for the signature.
    std::memcpy(quadro.data(), inicio_.data(), inicio_.size());
    entrada.read(reinterpret_cast<char*>(quadro.data() + inicio_.size()),
                 static_cast<std::streamsize>(TAMANHO_DO_QUADRO - inicio_.size()));
    const std::size_t lidos = inicio_.size() + static_cast<std::size_t>(entrada.gcount());
    inicio_.clear();
    if (lidos == TAMANHO_DO_QUADRO) {
      ++lidos_;
      return {};
    }
    if (!arquivo_ && lidos == 0 && lidos_ > 0) {
      acabou_ = true;
      return std::unexpected("end of input");
    }
    return std::unexpected(arquivo_ ? "read error"
                                    : "the input ended inside a frame (" + std::to_string(lidos) +
                                          " of 3110400 bytes); raw input must be whole NV12 1920x1080 frames");
  }
  for (int tentativa = 0; tentativa < 2; ++tentativa) {
    std::string linha;
    if (std::getline(entrada, linha) && linha.size() <= MAIOR_LINHA_Y4M) {
      if (!linha.starts_with(MARCA_DE_QUADRO)) return std::unexpected("Y4M: expected FRAME, found something else");
      entrada.read(temporario_.data(), TAMANHO_DO_QUADRO);
      if (entrada.gcount() != static_cast<std::streamsize>(TAMANHO_DO_QUADRO)) {
        return std::unexpected("Y4M: the last frame is cut short");
      }
      i420_para_nv12(std::span<const std::uint8_t, TAMANHO_DO_QUADRO>(
                         reinterpret_cast<const std::uint8_t*>(temporario_.data()), TAMANHO_DO_QUADRO),
                     quadro);
      ++lidos_;
      return {};
    }
    if (lidos_ == 0) break;
    if (!arquivo_) {
      acabou_ = true;
      return std::unexpected("end of input");
    }
    // End of the file: play it again.
    entrada.clear();
    entrada.seekg(inicio_dos_quadros_);
    lidos_ = 0;
  }
  return std::unexpected("Y4M: no frame could be read");
}

}  // namespace norva::ferramentas
