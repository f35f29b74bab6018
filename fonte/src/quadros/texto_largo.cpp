#include "fonte/src/quadros/texto_do_sistema.h"

#include <windows.h>

namespace norva {
namespace {

// Tab to carriage return, and the blank.
bool espaco_final(wchar_t c) { return (c >= L'\t' && c <= L'\r') || c == L' '; }

}  // namespace

std::wstring para_utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring largo(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), largo.data(), n);
  return largo;
}

std::string para_utf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr,
                                    nullptr);
  if (n <= 0) return {};
  std::string estreito(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), estreito.data(), n, nullptr,
                      nullptr);
  return estreito;
}

std::string texto_do_sistema(std::uint32_t codigo) {
  wchar_t* texto = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, codigo,
      0, reinterpret_cast<wchar_t*>(&texto), 0, nullptr);
  if (n == 0 || texto == nullptr) return {};
  std::wstring_view vista(texto, n);
  while (!vista.empty() && espaco_final(vista.back())) vista.remove_suffix(1);
  std::string utf8 = para_utf8(vista);
  LocalFree(texto);
  return utf8;
}

}  // namespace norva
