#include <string_view>

#include "fonte/src/fonte/fonte.h"
#include "fonte/src/plataforma/mf.h"
#include "fonte/src/registro/utf8.h"

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
  // Strict: a lone surrogate makes the name unusable rather than guessed,
  // because a pipe name derived from a guessed text would not match the
  // application's.
  std::optional<std::string> nome;
  if (utf16_bem_formado(unidades)) nome = utf8_de_utf16(unidades);
  plataforma::liberar_memoria_da_tarefa(texto);
  if (nome && nome->empty()) return std::nullopt;
  return nome;
}

}  // namespace norva
