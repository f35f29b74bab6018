// Windows: every call sanitises the message, reads the clock, the host
// executable, the process and thread ids afresh, and appends one line to the
// machine-wide log. Nothing is cached and no lock is taken: each call opens
// its own append-only handle with full sharing, so threads and processes
// writing at once each land whole lines at the end of the file.
#include <windows.h>

#include <string>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/caminho_do_modulo.h"
#include "fonte/src/registro/destino_do_registro.h"
#include "fonte/src/registro/linha_do_registro.h"
#include "fonte/src/registro/registro.h"

namespace norva {
namespace {

Carimbo agora_local() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return Carimbo{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace

void Registro::escrever(std::string_view mensagem) noexcept {
  try {
    // The raw message is not used past this point.
    const std::string limpa = Higiene::higienizar(mensagem);
    const Carimbo carimbo = agora_local();
    const std::string_view etiqueta = etiqueta_do_consumidor(caminho_do_modulo());
    const std::string linha =
        montar_linha(carimbo, etiqueta, GetCurrentProcessId(), GetCurrentThreadId(), limpa);
    acrescentar_ao_registro(linha);
  } catch (...) {
    // Only memory can run out here (the strings of this one line). The line
    // is lost like any other failure of the writer: a diagnostic must never
    // take down the process that hosts the camera.
  }
}

}  // namespace norva
