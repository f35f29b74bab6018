#include <cstdio>
#include <vector>

#include "ferramentas/norva-camera/verificacoes.h"

namespace norva::ferramentas {
namespace {

constexpr unsigned BITS_DA_METADE = 16;
constexpr DWORD MASCARA_DA_METADE = 0xFFFF;

// "major.minor.patch" from the fixed part of the version resource.
std::optional<std::string> versao_do_arquivo(const std::wstring& arquivo) {
  DWORD ignorado = 0;
  const DWORD tamanho = GetFileVersionInfoSizeW(arquivo.c_str(), &ignorado);
  if (tamanho == 0) return std::nullopt;
  std::vector<BYTE> dados(tamanho);
  if (!GetFileVersionInfoW(arquivo.c_str(), 0, tamanho, dados.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixa = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueW(dados.data(), L"\\", reinterpret_cast<void**>(&fixa), &bytes) || bytes < sizeof *fixa) {
    return std::nullopt;
  }
  char texto[48];
  std::snprintf(texto, sizeof texto, "%lu.%lu.%lu", static_cast<unsigned long>(fixa->dwFileVersionMS >> BITS_DA_METADE),
                static_cast<unsigned long>(fixa->dwFileVersionMS & MASCARA_DA_METADE),
                static_cast<unsigned long>(fixa->dwFileVersionLS >> BITS_DA_METADE));
  return texto;
}

}  // namespace

Verificacao verificar_versao(const std::optional<std::wstring>& dll, const std::string& versao_esperada) {
  Verificacao v;
  v.assunto = "DLL version";
  if (!dll) {
    v.achado = "no registered DLL to read";
    v.correcao = "register the DLL first (see the class line)";
    return v;
  }
  const auto versao = versao_do_arquivo(*dll);
  if (!versao) {
    v.achado = "the registered file has no version resource";
    v.correcao = "register the norva_camera_fonte.dll of this package";
  } else if (*versao != versao_esperada) {
    v.achado = *versao + ", this tool is " + versao_esperada;
    v.correcao = "register the DLL that came with this norva-camera.exe";
  } else {
    v.ok = true;
    v.achado = *versao;
  }
  return v;
}

}  // namespace norva::ferramentas
