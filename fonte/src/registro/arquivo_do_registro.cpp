#include "fonte/src/registro/arquivo_do_registro.h"

#include <algorithm>
#include <string>

namespace norva {
namespace {

constexpr wchar_t BARRA = L'\\';

// The largest piece one WriteFile call takes.
constexpr std::size_t MAIOR_ESCRITA = MAXDWORD;

// Whether the text before a backslash names something that can be created:
// not the empty start of "\\server", not a drive "C:", not the "\\?" prefix.
bool nivel_criavel(std::wstring_view prefixo) {
  if (prefixo.empty()) return false;
  const wchar_t ultimo = prefixo.back();
  return ultimo != BARRA && ultimo != L':' && ultimo != L'?';
}

// Closes the handle however the writing ends.
struct Arquivo {
  HANDLE h;
  ~Arquivo() { CloseHandle(h); }
};

}  // namespace

void criar_pasta_com_niveis(std::wstring_view pasta) noexcept {
  try {
    std::wstring caminho(pasta);
    if (CreateDirectoryW(caminho.c_str(), nullptr) || GetLastError() != ERROR_PATH_NOT_FOUND) return;
    // A parent is missing: create every level from the top, then the folder.
    for (std::size_t i = caminho.find(BARRA); i != std::wstring::npos; i = caminho.find(BARRA, i + 1)) {
      if (!nivel_criavel(std::wstring_view(caminho).substr(0, i))) continue;
      caminho[i] = L'\0';
      CreateDirectoryW(caminho.c_str(), nullptr);
      caminho[i] = BARRA;
    }
    CreateDirectoryW(caminho.c_str(), nullptr);
  } catch (...) {
    // Out of memory for the path: the open will tell.
  }
}

void acrescentar_linha(std::wstring_view pasta, std::wstring_view arquivo, std::string_view linha) noexcept {
  try {
    criar_pasta_com_niveis(pasta);
    std::wstring caminho(pasta);
    caminho += BARRA;
    caminho += arquivo;
    const HANDLE h = CreateFileW(caminho.c_str(), ACESSO_SO_ACRESCIMO, COMPARTILHAMENTO_TOTAL, nullptr, OPEN_ALWAYS,
                                 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const Arquivo aberto{h};
    while (!linha.empty()) {
      const auto pedaco = static_cast<DWORD>(std::min(linha.size(), MAIOR_ESCRITA));
      DWORD escritos = 0;
      if (!WriteFile(aberto.h, linha.data(), pedaco, &escritos, nullptr) || escritos == 0) return;
      linha.remove_prefix(std::min<std::size_t>(escritos, linha.size()));
    }
  } catch (...) {
    // Out of memory for the path: the line is lost, as with any failure.
  }
}

}  // namespace norva
