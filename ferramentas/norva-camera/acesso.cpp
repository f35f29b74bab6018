#include "ferramentas/norva-camera/acesso.h"

#include <aclapi.h>

#include <array>
#include <cstring>

namespace norva::ferramentas {
namespace {

constexpr std::array GRUPOS_DO_SERVICO_LOCAL = {WinLocalServiceSid, WinWorldSid,   WinAuthenticatedUserSid,
                                                WinBuiltinUsersSid, WinServiceSid, WinLocalSid};

bool do_servico_local(PSID conta) {
  for (const WELL_KNOWN_SID_TYPE tipo : GRUPOS_DO_SERVICO_LOCAL) {
    if (IsWellKnownSid(conta, tipo)) return true;
  }
  return false;
}

struct Ace {
  BYTE tipo;
  BYTE sinais;
  ACCESS_MASK direitos;
  PSID conta;
};

// Allowed and denied ACEs share one layout; other types are left out.
bool ler_ace(const ACL* dacl, DWORD i, Ace& ace) {
  void* bruto = nullptr;
  if (!GetAce(const_cast<ACL*>(dacl), i, &bruto)) return false;
  const auto* cabecalho = static_cast<const ACE_HEADER*>(bruto);
  if (cabecalho->AceType != ACCESS_ALLOWED_ACE_TYPE && cabecalho->AceType != ACCESS_DENIED_ACE_TYPE) return false;
  auto* permitido = static_cast<ACCESS_ALLOWED_ACE*>(bruto);
  ace = {cabecalho->AceType, cabecalho->AceFlags, permitido->Mask, &permitido->SidStart};
  return true;
}

}  // namespace

ACCESS_MASK direitos_do_servico_local(const ACL* dacl) {
  GENERIC_MAPPING mapa{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  if (dacl == nullptr) return FILE_ALL_ACCESS;
  ACCESS_MASK concedidos = 0;
  ACCESS_MASK negados = 0;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    Ace ace{};
    if (!ler_ace(dacl, i, ace) || (ace.sinais & INHERIT_ONLY_ACE) != 0 || !do_servico_local(ace.conta)) continue;
    ACCESS_MASK direitos = ace.direitos;
    MapGenericMask(&direitos, &mapa);
    if (ace.tipo == ACCESS_ALLOWED_ACE_TYPE) {
      concedidos |= direitos & ~negados;
    } else {
      negados |= direitos & ~concedidos;
    }
  }
  return concedidos;
}

std::expected<void, DWORD> ler_lista(const std::wstring& caminho, ListaDeAcesso& lista) {
  const DWORD e = GetNamedSecurityInfoW(caminho.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, &lista.dacl, nullptr, &lista.descritor);
  if (e != ERROR_SUCCESS) return std::unexpected(e);
  return {};
}

std::expected<void, DWORD> ler_lista(HANDLE objeto, ListaDeAcesso& lista) {
  const DWORD e = GetSecurityInfo(objeto, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &lista.dacl,
                                  nullptr, &lista.descritor);
  if (e != ERROR_SUCCESS) return std::unexpected(e);
  return {};
}

bool mesma_lista(PSECURITY_DESCRIPTOR a, PSECURITY_DESCRIPTOR b) {
  auto protegida = [](PSECURITY_DESCRIPTOR d) {
    SECURITY_DESCRIPTOR_CONTROL controle = 0;
    DWORD revisao = 0;
    return GetSecurityDescriptorControl(d, &controle, &revisao) && (controle & SE_DACL_PROTECTED) != 0;
  };
  auto lista = [](PSECURITY_DESCRIPTOR d) -> ACL* {
    BOOL presente = FALSE;
    BOOL padrao = FALSE;
    ACL* dacl = nullptr;
    if (!GetSecurityDescriptorDacl(d, &presente, &dacl, &padrao) || !presente) return nullptr;
    return dacl;
  };
  const ACL* x = lista(a);
  const ACL* y = lista(b);
  if (x == nullptr || y == nullptr || protegida(a) != protegida(b) || x->AceCount != y->AceCount) return false;
  for (DWORD i = 0; i < x->AceCount; ++i) {
    Ace p{};
    Ace q{};
    if (!ler_ace(x, i, p) || !ler_ace(y, i, q)) return false;
    if (p.tipo != q.tipo || p.sinais != q.sinais || p.direitos != q.direitos || !EqualSid(p.conta, q.conta)) {
      return false;
    }
  }
  return true;
}

}  // namespace norva::ferramentas
