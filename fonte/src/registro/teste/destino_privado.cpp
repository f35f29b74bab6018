// Test programs only: the log goes to a folder of this process under the
// temporary folder, emptied when the process first writes. Children started
// by the test inherit the folder through the environment, so a test reads
// their lines and its own in one file that no other test writes.
//
// Lines of this process are appended one at a time. Windows places each
// append-only write whole at the end of the file, but Wine finds the end and
// then writes there, so two threads logging at once can overwrite each
// other's line; the lock gives the tests Windows' outcome under Wine.
#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "fonte/src/registro/arquivo_do_registro.h"
#include "fonte/src/registro/destino_do_registro.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva {
namespace {

constexpr wchar_t VARIAVEL[] = L"NORVA_REGISTRO_DE_TESTE";

// The folder, and the lock for this process's lines. Never destroyed: a
// thread may still log while the process ends. The process that made the
// folder removes it at exit (an inherited one belongs to the parent).
struct Destino {
  std::wstring pasta;
  std::mutex uma_linha_por_vez;

  std::wstring arquivo() const { return pasta + L"\\" + std::wstring(ARQUIVO_DO_REGISTRO); }
};

Destino& destino();

void apagar_pasta_propria() {
  DeleteFileW(destino().arquivo().c_str());
  RemoveDirectoryW(destino().pasta.c_str());
}

Destino* novo_destino() {
  auto* d = new Destino;
  std::wstring herdada(MAX_PATH + 1, L'\0');
  const DWORD n = GetEnvironmentVariableW(VARIAVEL, herdada.data(), static_cast<DWORD>(herdada.size()));
  if (n > 0 && n < herdada.size()) {
    d->pasta = herdada.substr(0, n);
    return d;
  }
  d->pasta.assign(MAX_PATH + 1, L'\0');
  d->pasta.resize(GetTempPathW(static_cast<DWORD>(d->pasta.size()), d->pasta.data()));
  const std::string nome = teste::nome_unico("norva-registro-do-teste");
  d->pasta += std::wstring(nome.begin(), nome.end());
  // A folder left by an earlier process with the same id starts empty.
  DeleteFileW(d->arquivo().c_str());
  SetEnvironmentVariableW(VARIAVEL, d->pasta.c_str());
  std::atexit(apagar_pasta_propria);
  return d;
}

Destino& destino() {
  static Destino* const d = novo_destino();
  return *d;
}

// Chosen when the program starts, before any test can start a child.
[[maybe_unused]] const bool ESCOLHIDO_NO_INICIO = (destino(), true);

}  // namespace

std::wstring_view pasta_do_registro() { return destino().pasta; }

void acrescentar_ao_registro(std::string_view linha) noexcept {
  try {
    Destino& d = destino();
    const std::lock_guard trava(d.uma_linha_por_vez);
    acrescentar_linha(d.pasta, ARQUIVO_DO_REGISTRO, linha);
  } catch (...) {
    // As in the machine-wide writer: a line that cannot be written is lost.
  }
}

}  // namespace norva
