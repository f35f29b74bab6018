#include "fonte/src/registro/caminho_do_modulo.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "fonte/src/registro/utf8.h"

namespace norva {

std::string caminho_do_modulo(HMODULE modulo) {
  std::vector<wchar_t> buffer(TAMANHO_INICIAL_DO_CAMINHO);
  for (;;) {
    const auto tamanho = static_cast<DWORD>(buffer.size());
    const DWORD escritos = GetModuleFileNameW(modulo, buffer.data(), tamanho);
    if (escritos == 0) return {};
    // A result that fills the buffer means the path was cut short, unless
    // the buffer is already as large as a path can be.
    if (escritos < tamanho || tamanho >= TAMANHO_MAXIMO_DO_CAMINHO) {
      const DWORD validos = std::min(escritos, tamanho);
      return utf8_de_utf16(std::wstring_view(buffer.data(), validos));
    }
    buffer.resize(std::min<std::size_t>(buffer.size() * 2, TAMANHO_MAXIMO_DO_CAMINHO));
  }
}

}  // namespace norva
