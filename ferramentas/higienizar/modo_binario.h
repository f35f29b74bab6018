// Standard input and output carry bytes unchanged: on Windows the C runtime
// would otherwise turn "\r\n" into "\n" on input and "\n" into "\r\n" on
// output, and stop reading at a Ctrl-Z byte.
#pragma once

namespace norva::ferramentas {

void usar_modo_binario_nas_entradas_e_saidas();

}  // namespace norva::ferramentas
