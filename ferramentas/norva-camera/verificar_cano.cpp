#include "ferramentas/norva-camera/acesso.h"
#include "ferramentas/norva-camera/verificacoes.h"
#include "fonte/src/quadros/protocolo.h"
#include "fonte/src/registro/utf8.h"

namespace norva::ferramentas {
namespace {

// WaitNamedPipeW takes 0 as "the pipe's default time-out": 1 ms is the
// shortest real wait.
constexpr DWORD ESPERA_MINIMA_MS = 1;

const char* const INICIAR_ESCRITOR =
    "start the desktop application, or escritor_de_referencia.exe with the same --name";

}  // namespace

Verificacao verificar_cano(const std::optional<std::string>& nome, bool& servido) {
  const std::string cano = nome_do_cano(nome);
  Verificacao v;
  v.assunto = "pipe " + cano + (nome ? " (camera '" + *nome + "')" : " (default camera)");
  // Asks without connecting: a client connection would take the instance
  // the camera is meant to find. Busy instances still mean a writer is there.
  const std::wstring largo = largo_de_utf8(cano);
  servido = WaitNamedPipeW(largo.c_str(), ESPERA_MINIMA_MS) || GetLastError() == ERROR_SEM_TIMEOUT;
  v.ok = servido;
  v.achado = servido ? "a writer serves it" : "nothing serves it";
  if (!servido) v.correcao = INICIAR_ESCRITOR;
  return v;
}

Verificacao verificar_acesso_ao_cano(const std::optional<std::string>& nome, bool servido) {
  Verificacao v;
  v.assunto = "LOCAL SERVICE can read the pipe";
  if (!servido) {
    v.achado = "not checked: nothing serves the pipe";
    v.correcao = INICIAR_ESCRITOR;
    return v;
  }
  // READ_CONTROL only, closed at once: the writer sees a client come and go
  // without a read and keeps another instance listening.
  const std::wstring largo = largo_de_utf8(nome_do_cano(nome));
  HANDLE cano = CreateFileW(largo.c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING,
                            SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  if (cano == INVALID_HANDLE_VALUE) {
    v.achado = "cannot open it to read its access list (WIN32_ERROR(" + std::to_string(GetLastError()) + "))";
    v.correcao = "run norva-camera diagnosticar again when no camera is reading the pipe";
    return v;
  }
  ListaDeAcesso lista;
  const auto lida = ler_lista(cano, lista);
  CloseHandle(cano);
  if (!lida) {
    v.achado = "cannot read its access list (WIN32_ERROR(" + std::to_string(lida.error()) + "))";
    v.correcao = "run norva-camera diagnosticar from an elevated prompt";
    return v;
  }
  v.ok = (direitos_do_servico_local(lista.dacl) & LEITURA_DO_CANO) == LEITURA_DO_CANO;
  v.achado = v.ok ? "read granted" : "its access list does not let LOCAL SERVICE read";
  if (!v.ok) {
    v.correcao = "the writer must create the pipe with an access list granting LOCAL SERVICE (or Everyone) read";
  }
  return v;
}

}  // namespace norva::ferramentas
