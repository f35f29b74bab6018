#include <string_view>

#include "fonte/src/fonte/fonte.h"
#include "fonte/src/fonte/utf8_estrito.h"
#include "fonte/src/plataforma/mf.h"

namespace norva {

std::optional<std::string> ler_nome_amigavel(IMFAttributes* atributos) noexcept {
  LPWSTR texto = nullptr;
  UINT32 tamanho = 0;
  if (FAILED(atributos->GetAllocatedString(plataforma::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, &texto,
                                           &tamanho)) ||
      texto == nullptr) {
    return std::nullopt;
  }
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  // Up to the terminating NUL, whatever length the store reported.
  const std::u16string_view unidades(reinterpret_cast<const char16_t*>(texto));
  std::optional<std::string> nome = utf8_estrito(unidades);
  plataforma::liberar_memoria_da_tarefa(texto);
  if (nome && nome->empty()) return std::nullopt;
  return nome;
}

}  // namespace norva
