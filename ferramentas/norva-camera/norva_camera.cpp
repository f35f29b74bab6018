// norva-camera: creates, removes and diagnoses the virtual camera on
// Windows 11. See opcoes.h for the command line and subcomandos.h for the
// exit status.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ferramentas/norva-camera/opcoes.h"
#include "ferramentas/norva-camera/subcomandos.h"
#include "fonte/src/registro/utf8.h"

int main() {
  using namespace norva::ferramentas;
  SetConsoleOutputCP(CP_UTF8);
  int n = 0;
  LPWSTR* largos = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> argumentos;
  for (int i = 1; largos != nullptr && i < n; ++i) {
    argumentos.push_back(norva::utf8_de_utf16<wchar_t>(std::wstring_view(largos[i])));
  }
  LocalFree(largos);
  const auto opcoes = ler_opcoes_da_camera(argumentos);
  if (!opcoes) {
    std::fprintf(stderr, "error: %s\n%s", opcoes.error().c_str(), uso_da_camera().c_str());
    return SAIDA_FALHA;
  }
  switch (opcoes->subcomando) {
    case Subcomando::Criar:
      return criar(*opcoes);
    case Subcomando::Remover:
      return remover(*opcoes);
    case Subcomando::Diagnosticar:
      return diagnosticar(*opcoes);
  }
  return SAIDA_FALHA;
}
