// The record reader over an arbitrary byte stream, read back in pieces of
// arbitrary sizes: every frame it hands over is exactly the payload of a
// well-formed record of that stream, in order, with its timestamp; it stops
// at the first bad header (handed back) or at a record cut short.
//
// The input is a small script that expands into the stream, so that whole
// 3 MB records are within reach of a few hundred input bytes:
//   op % 4 == 0, n, bytes...   n literal bytes
//   op % 4 == 1, 8 bytes       a well-formed header with that timestamp
//   op % 4 == 2, 3 bytes, v    a run of that many bytes (24-bit length) from v
//   op % 4 == 3, 3 bytes       one more read, in order, of at most that many
//                              bytes (after the scripted ones, reads are whole)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fonte/src/quadros/protocolo.h"

namespace norva {
namespace {

constexpr std::size_t MAIOR_FLUXO = 2 * TAMANHO_DO_PACOTE + CabecalhoDoQuadro::TAMANHO;

struct Roteiro {
  std::vector<std::uint8_t> fluxo;
  std::vector<std::size_t> leituras;  // sizes of the first reads
};

// Bytes that differ from their neighbours near and far, so that a payload
// taken from the wrong offset never matches.
const std::vector<std::uint8_t>& sequencia() {
  static const std::vector<std::uint8_t> s = [] {
    std::vector<std::uint8_t> v(MAIOR_FLUXO + 256);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = static_cast<std::uint8_t>(k * 7 + (k >> 11));
    return v;
  }();
  return s;
}

// Fills `r` (reused: its buffers keep their capacity between inputs).
void expandir(const std::uint8_t* dados, std::size_t tamanho, Roteiro& r) {
  r.fluxo.clear();
  r.leituras.clear();
  std::size_t i = 0;
  const auto byte = [&]() -> std::uint32_t { return i < tamanho ? dados[i++] : 0; };
  const auto tres = [&] { return byte() | byte() << 8 | byte() << 16; };
  while (i < tamanho && r.fluxo.size() < MAIOR_FLUXO) {
    switch (byte() % 4) {
      case 0: {
        const std::size_t n = std::min<std::size_t>(byte(), tamanho - i);
        r.fluxo.insert(r.fluxo.end(), dados + i, dados + i + n);
        i += n;
        break;
      }
      case 1: {
        std::uint64_t ts = 0;
        for (int k = 0; k < 8; ++k) ts |= std::uint64_t{byte()} << (8 * k);
        const auto c = CabecalhoDoQuadro::para_quadro(ts);
        r.fluxo.insert(r.fluxo.end(), c.begin(), c.end());
        break;
      }
      case 2: {
        const std::size_t n = std::min<std::size_t>(tres(), MAIOR_FLUXO - r.fluxo.size());
        const std::uint8_t* de = sequencia().data() + byte();
        r.fluxo.insert(r.fluxo.end(), de, de + n);
        break;
      }
      default:
        r.leituras.push_back(std::max<std::size_t>(tres(), 1));
    }
  }
}

// The stream's bytes, handed out in the scripted read sizes.
class ConexaoRoteirizada final : public ConexaoDoCano {
 public:
  explicit ConexaoRoteirizada(const Roteiro& r) : r_(r) {}
  ResultadoDaLeitura ler(std::span<std::uint8_t> destino) override {
    const std::size_t resta = r_.fluxo.size() - posicao_;
    if (resta == 0) return {FimDaLeitura::Fim, 0};
    const std::size_t limite = vez_ < r_.leituras.size() ? r_.leituras[vez_++] : resta;
    const std::size_t n = std::min({resta, destino.size(), limite});
    std::memcpy(destino.data(), r_.fluxo.data() + posicao_, n);
    posicao_ += n;
    return {FimDaLeitura::Dados, n};
  }
  void interromper() noexcept override {}

 private:
  const Roteiro& r_;
  std::size_t posicao_ = 0;
  std::size_t vez_ = 0;
};

// What the stream holds, worked out from its bytes alone.
struct Esperado {
  std::vector<std::size_t> cargas;  // offsets of whole payloads
  std::vector<std::uint64_t> ts;
  bool recusado = false;
};

std::uint64_t ts_em(const std::vector<std::uint8_t>& f, std::size_t p) {
  std::uint64_t ts = 0;
  for (std::size_t k = 0; k < 8; ++k) ts |= std::uint64_t{f[p + CabecalhoDoQuadro::POSICAO_DO_TS + k]} << (8 * k);
  return ts;
}

Esperado esperar(const std::vector<std::uint8_t>& f) {
  Esperado e;
  std::size_t p = 0;
  while (f.size() - p >= CabecalhoDoQuadro::TAMANHO) {
    const std::uint64_t ts = ts_em(f, p);
    const auto contrato = CabecalhoDoQuadro::para_quadro(ts);
    if (!std::equal(contrato.begin(), contrato.end(), f.begin() + static_cast<std::ptrdiff_t>(p))) {
      e.recusado = true;
      break;
    }
    if (f.size() - p < TAMANHO_DO_PACOTE) break;
    e.cargas.push_back(p + CabecalhoDoQuadro::TAMANHO);
    e.ts.push_back(ts);
    p += TAMANHO_DO_PACOTE;
  }
  return e;
}

}  // namespace
}  // namespace norva

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  using namespace norva;
  static std::vector<std::uint8_t> pacote(TAMANHO_DO_PACOTE);
  static Roteiro roteiro;
  expandir(dados, tamanho, roteiro);
  const Esperado esperado = esperar(roteiro.fluxo);
  ConexaoRoteirizada conexao(roteiro);
  std::size_t entregues = 0;
  for (;;) {
    std::memset(pacote.data(), 0xA5, pacote.size());
    const PacoteLido r = ler_pacote(conexao, std::span<std::uint8_t, TAMANHO_DO_PACOTE>(pacote));
    if (r.desfecho != DesfechoDoPacote::Quadro) {
      if (r.desfecho == DesfechoDoPacote::Interrompido) std::abort();
      if ((r.desfecho == DesfechoDoPacote::Recusado) != esperado.recusado) std::abort();
      if (r.desfecho == DesfechoDoPacote::Recusado && r.cabecalho.aceitavel()) std::abort();
      break;
    }
    if (entregues >= esperado.cargas.size()) std::abort();
    if (r.cabecalho.ts_do_host != esperado.ts[entregues]) std::abort();
    if (std::memcmp(pacote.data() + CabecalhoDoQuadro::TAMANHO, roteiro.fluxo.data() + esperado.cargas[entregues],
                    TAMANHO_DO_QUADRO) != 0) {
      std::abort();
    }
    ++entregues;
  }
  if (entregues != esperado.cargas.size()) std::abort();
  return 0;
}
