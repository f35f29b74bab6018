#include <windows.h>
#include <sddl.h>

#include "ferramentas/norva-camera/acesso.h"
#include "ferramentas/norva-camera/verificacoes.h"
#include "fonte/src/registro/acesso_da_pasta.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {

Verificacao verificar_pasta_do_registro(const std::wstring& pasta) {
  Verificacao v;
  v.assunto = "log folder " + utf8_de_utf16<wchar_t>(pasta);
  const DWORD atributos = GetFileAttributesW(pasta.c_str());
  if (atributos == INVALID_FILE_ATTRIBUTES) {
    v.achado = "missing";
    v.correcao = "run any program that loads the camera once (norva-camera-vigia), which creates it";
    return v;
  }
  // A junction or link here would send every account's log lines elsewhere.
  if ((atributos & FILE_ATTRIBUTE_DIRECTORY) == 0 || (atributos & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    v.achado = "not a plain folder (a file, junction or link)";
    v.correcao = "as administrator, delete it; the camera recreates it";
    return v;
  }
  ListaDeAcesso atual;
  PSECURITY_DESCRIPTOR esperado = nullptr;
  const bool lida = ler_lista(pasta, atual).has_value();
  if (!lida || !ConvertStringSecurityDescriptorToSecurityDescriptorW(SDDL_DA_PASTA_DO_REGISTRO.data(),
                                                                     SDDL_REVISION_1, &esperado, nullptr)) {
    v.achado = "cannot read its access list";
    v.correcao = "run norva-camera diagnosticar from an elevated prompt";
    return v;
  }
  v.ok = mesma_lista(atual.descritor, esperado);
  LocalFree(esperado);
  v.achado = v.ok ? "protected access list as the camera sets it" : "its access list is not the camera's";
  if (!v.ok) v.correcao = "as administrator, delete the folder; the camera recreates it with its own access list";
  return v;
}

}  // namespace norva::ferramentas
