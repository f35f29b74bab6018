// Test support for the frame-supply tests: recognisable frames, whole
// records as bytes, the log lines written since a point, and waiting for a
// condition with a limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fonte/src/quadros/geometria.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {

// A frame whose every byte depends on `semente` and its position, so that a
// mixed, shifted or partial frame never equals another.
inline std::vector<std::uint8_t> quadro_de_teste(std::uint32_t semente) {
  std::vector<std::uint8_t> q(TAMANHO_DO_QUADRO);
  std::uint32_t x = semente * 2654435761u + 1;
  for (auto& b : q) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return q;
}

// Header and payload back to back, as a writer sends them.
inline std::vector<std::uint8_t> pacote_completo(const std::vector<std::uint8_t>& quadro, std::uint64_t ts) {
  const auto cabecalho = CabecalhoDoQuadro::para_quadro(ts);
  std::vector<std::uint8_t> r(cabecalho.begin(), cabecalho.end());
  r.insert(r.end(), quadro.begin(), quadro.end());
  return r;
}

inline bool mesmos_bytes(const DadosDoQuadro& dados, const std::vector<std::uint8_t>& esperado) {
  return dados && esperado.size() == TAMANHO_DO_QUADRO && std::memcmp(dados.get(), esperado.data(), TAMANHO_DO_QUADRO) == 0;
}

// Polls `condicao` every millisecond until it holds or `limite` passes.
inline bool esperar_ate(const std::function<bool()>& condicao,
                        std::chrono::milliseconds limite = std::chrono::seconds{5}) {
  const auto fim = std::chrono::steady_clock::now() + limite;
  while (!condicao()) {
    if (std::chrono::steady_clock::now() >= fim) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds{1});
  }
  return true;
}

// The log lines this process writes from construction on.
class MarcaDoRegistro {
 public:
  MarcaDoRegistro() : inicio_(mensagens_registradas().size()) {}
  std::vector<std::string> novas() const {
    auto todas = mensagens_registradas();
    if (todas.size() < inicio_) return {};
    return {todas.begin() + static_cast<std::ptrdiff_t>(inicio_), todas.end()};
  }
  std::size_t contar(const std::string& prefixo) const {
    std::size_t n = 0;
    for (const auto& m : novas()) n += m.starts_with(prefixo) ? 1 : 0;
    return n;
  }

 private:
  std::size_t inicio_;
};

// The pipe client's log lines.
inline const std::string CONECTADO = "cano conectado";
inline const std::string CAIU = "cano caiu; voltando a esperar";
inline const std::string CONFIGURADO = "cano desta câmera configurado (nome omitido)";

// A header the reader refuses (a 720p writer). The full table of refusals
// and their log lines is the header's own test; the other layers use this one.
inline const CabecalhoDoQuadro CABECALHO_RUIM{CabecalhoDoQuadro::MAGICO, 1280, 720, 1280 * 720 * 3 / 2, 0};

}  // namespace norva::teste
