// Test support on Windows: private scratch folders, child processes, and
// what the platform underneath does not provide.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace norva::teste {

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

// A started child process; its handle is closed at destruction.
class ProcessoFilho {
 public:
  // Starts `programa` with `argumentos` (appended after the quoted program
  // name).
  static std::optional<ProcessoFilho> iniciar(const std::wstring& programa, const std::wstring& argumentos);
  ProcessoFilho(ProcessoFilho&& outro) noexcept;
  ProcessoFilho& operator=(ProcessoFilho&&) = delete;
  ~ProcessoFilho();

  DWORD pid() const { return pid_; }
  // The exit code, or nothing if the child has not ended within `limite`.
  std::optional<DWORD> esperar(std::chrono::milliseconds limite);

 private:
  ProcessoFilho() = default;
  HANDLE processo_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace norva::teste
