// The three subcommands. Each prints its own lines and returns the exit
// status: 0 done; 1 failed (or, for diagnosticar, a check failed); 2 this
// Windows cannot create virtual cameras.
#pragma once

#include "ferramentas/norva-camera/opcoes.h"

namespace norva::ferramentas {

inline constexpr int SAIDA_OK = 0;
inline constexpr int SAIDA_FALHA = 1;
inline constexpr int SAIDA_SEM_WINDOWS_11 = 2;

int criar(const OpcoesDaCamera& opcoes);
int remover(const OpcoesDaCamera& opcoes);
int diagnosticar(const OpcoesDaCamera& opcoes);

}  // namespace norva::ferramentas
