// The one creatable class of this COM server, as a GUID and as the text the
// registry uses for it. Both forms name the same class and are kept side by
// side so that they cannot drift apart.
#pragma once

#include <windows.h>

#include <string_view>

namespace norva {

// {3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}
inline constexpr GUID CLSID_FONTE{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};

// Registry form: braces, upper-case hexadecimal, 38 characters.
inline constexpr std::string_view TEXTO_DO_CLSID = "{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}";

// The class's key under HKEY_LOCAL_MACHINE and its in-process server subkey.
inline constexpr std::string_view CHAVE_DO_CLSID = "SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}";
inline constexpr std::string_view CHAVE_DO_SERVIDOR =
    "SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}\\InprocServer32";

static_assert(TEXTO_DO_CLSID.size() == 38);
static_assert(CHAVE_DO_CLSID.size() == 23 + 38);
static_assert(CHAVE_DO_CLSID.ends_with(TEXTO_DO_CLSID));
static_assert(CHAVE_DO_SERVIDOR.starts_with(CHAVE_DO_CLSID));

// Compared field by field: 32-bit, 16-bit, 16-bit, then the 8 bytes.
constexpr bool e_clsid_fonte(const GUID& g) {
  if (g.Data1 != CLSID_FONTE.Data1 || g.Data2 != CLSID_FONTE.Data2 || g.Data3 != CLSID_FONTE.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (g.Data4[i] != CLSID_FONTE.Data4[i]) return false;
  }
  return true;
}

}  // namespace norva
