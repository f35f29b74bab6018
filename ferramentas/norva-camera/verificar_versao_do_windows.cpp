#include "ferramentas/norva-camera/camera_virtual.h"
#include "ferramentas/norva-camera/verificacoes.h"

namespace norva::ferramentas {
namespace {

constexpr DWORD PRIMEIRA_VERSAO_COM_CAMERAS_VIRTUAIS = 22000;

// The true build number: GetVersionEx answers what the manifest allows.
std::optional<OSVERSIONINFOW> versao_real() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto rtl_get_version =
      reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW versao{};
  versao.dwOSVersionInfoSize = sizeof versao;
  if (rtl_get_version == nullptr || rtl_get_version(&versao) != 0) return std::nullopt;
  return versao;
}

}  // namespace

Verificacao verificar_versao_do_windows() {
  Verificacao v;
  v.assunto = "Windows supports virtual cameras";
  const auto versao = versao_real();
  const DWORD build = versao ? versao->dwBuildNumber : 0;
  const bool tem_funcao = funcao_de_criacao() != nullptr;
  v.ok = build >= PRIMEIRA_VERSAO_COM_CAMERAS_VIRTUAIS && tem_funcao;
  v.achado = "build " + std::to_string(build) + (tem_funcao ? ", MFCreateVirtualCamera present"
                                                            : ", no MFCreateVirtualCamera in mfsensorgroup.dll");
  if (!v.ok) v.correcao = "virtual cameras need Windows 11 (build 22000 or later): update Windows";
  return v;
}

}  // namespace norva::ferramentas
