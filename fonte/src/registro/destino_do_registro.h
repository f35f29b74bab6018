// Where the log writer's finished lines go. The definitions in
// destino_do_registro.cpp are the machine-wide log and nothing else. Test
// programs that link the modules in-process replace both at link time with
// teste/destino_privado.cpp: a file of their own, so no other process's lines
// land among theirs.
#pragma once

#include <string_view>

namespace norva {

// The folder of this process's log file (named ARQUIVO_DO_REGISTRO).
std::wstring_view pasta_do_registro();

// Appends one finished line to this process's log file.
void acrescentar_ao_registro(std::string_view linha) noexcept;

}  // namespace norva
