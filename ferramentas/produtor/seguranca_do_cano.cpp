#include "ferramentas/produtor/seguranca_do_cano.h"

#include <sddl.h>

#include <vector>

#include "fonte/src/registro/texto_de_erro_windows.h"

namespace norva::produtor {
namespace {

std::unexpected<Falha> falha_do_sistema(const char* passo, DWORD erro) {
  return std::unexpected(
      Falha{NORVA_ESCRITOR_ERRO_SISTEMA, std::string(passo) + ": " + texto_do_erro_do_sistema(erro)});
}

std::expected<std::wstring, Falha> sid_do_usuario() {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return falha_do_sistema("cannot read the user's token", GetLastError());
  }
  DWORD tamanho = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &tamanho);
  std::vector<std::uint8_t> dados(tamanho == 0 ? sizeof(TOKEN_USER) : tamanho);
  const BOOL lido = GetTokenInformation(token, TokenUser, dados.data(), static_cast<DWORD>(dados.size()), &tamanho);
  const DWORD erro = GetLastError();
  CloseHandle(token);
  if (!lido) return falha_do_sistema("cannot read the user's SID", erro);
  wchar_t* texto = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(dados.data())->User.Sid, &texto)) {
    return falha_do_sistema("cannot write the user's SID", GetLastError());
  }
  std::wstring sid(texto);
  LocalFree(texto);
  return sid;
}

}  // namespace

std::wstring sddl_do_cano(const std::wstring& sid_do_usuario) {
  // P: protected. FA: FILE_ALL_ACCESS; FR: FILE_GENERIC_READ (no write,
  // no FILE_CREATE_PIPE_INSTANCE: LOCAL SERVICE cannot add instances).
  return L"D:P(A;;FA;;;SY)(A;;FA;;;" + sid_do_usuario + L")(A;;FR;;;LS)";
}

std::expected<DescritorDeSeguranca, Falha> seguranca_do_cano() {
  auto sid = sid_do_usuario();
  if (!sid) return std::unexpected(sid.error());
  PSECURITY_DESCRIPTOR descritor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl_do_cano(*sid).c_str(), SDDL_REVISION_1, &descritor,
                                                            nullptr)) {
    return falha_do_sistema("cannot build the pipe's access list", GetLastError());
  }
  return DescritorDeSeguranca(descritor);
}

}  // namespace norva::produtor
