// Test support on Windows: the log file read back, private scratch folders,
// child processes, and what this process holds.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace norva::teste {

// The bytes of the file at `caminho`, read with full sharing so that writers
// are never refused; empty when it cannot be read.
std::string conteudo_do_arquivo(const std::wstring& caminho);

// The lines, without their line feeds, of the log file this process's writer
// appends to (in a test program that links the private destination, its own
// file).
std::vector<std::string> linhas_do_registro();

// A new, empty folder under the temporary folder, unique to this process and
// call, removed with everything in it at destruction. `caminho()` has no
// trailing backslash.
class PastaTemporaria {
 public:
  PastaTemporaria();
  ~PastaTemporaria();
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;
  const std::wstring& caminho() const { return caminho_; }

 private:
  std::wstring caminho_;
};

// `caminho` with the "\\?\" prefix, so that long paths work in file calls.
std::wstring longo(const std::wstring& caminho);

// The folder of this test program (no trailing backslash).
std::wstring pasta_deste_programa();

struct FimDoFilho {
  DWORD pid;
  DWORD codigo_de_saida;
};

// Starts `programa` with `argumentos` (after the quoted program name): its
// process handle, which the caller closes, or null.
HANDLE iniciar_processo(const std::wstring& programa, const std::wstring& argumentos);

// Starts `programa` with `argumentos` as above and waits for it; nothing if it cannot start or has not ended within `limite`.
std::optional<FimDoFilho> executar(const std::wstring& programa, const std::wstring& argumentos,
                                   std::chrono::milliseconds limite);

// What this process holds now, for leak checks. Probing handles takes most
// of a second under Wine; the thread count alone is cheap enough to poll.
long threads_do_processo();
struct MedidasDoProcesso {
  long threads = 0;
  long handles = 0;
  long long bytes_privados = 0;
};
MedidasDoProcesso medir_processo();

}  // namespace norva::teste
