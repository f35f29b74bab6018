// The probe's classification off the reading path: the reading loop hands
// over a copy of each delivered frame and goes back to reading at once; a
// thread of its own tells pattern from pipe frames and keeps the frames
// chosen for saving, so neither classifying nor encoding falls inside the
// intervals the probe measures.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "ferramentas/sonda/classificacao.h"
#include "fonte/src/quadros/geometria.h"

namespace norva::ferramentas {

struct QuadroGuardado {
  std::size_t indice = 0;
  bool padrao = false;
  DadosDoQuadro dados;
};

struct ResultadoDaClassificacao {
  std::size_t padrao = 0;
  std::size_t cano = 0;
  std::vector<QuadroGuardado> guardados;  // in the order handed over
};

class ClassificacaoEmFundo {
 public:
  // `guardar`: the sample numbers whose frames are kept.
  explicit ClassificacaoEmFundo(std::set<std::size_t> guardar);
  ~ClassificacaoEmFundo();
  ClassificacaoEmFundo(const ClassificacaoEmFundo&) = delete;
  ClassificacaoEmFundo& operator=(const ClassificacaoEmFundo&) = delete;

  // Copies `quadro` (sample number `indice`) and returns.
  void entregar(std::size_t indice, std::span<const std::uint8_t, TAMANHO_DO_QUADRO> quadro);

  // Waits until every frame handed over is classified; call once.
  ResultadoDaClassificacao terminar();

 private:
  void trabalhar();

  const std::set<std::size_t> guardar_;
  Classificador classificador_;  // used by the thread only
  std::mutex mutex_;
  std::condition_variable sinal_;
  std::deque<std::pair<std::size_t, DadosDoQuadro>> fila_;
  bool fim_ = false;
  ResultadoDaClassificacao resultado_;  // written by the thread only, until it ends
  std::thread thread_;
};

}  // namespace norva::ferramentas
