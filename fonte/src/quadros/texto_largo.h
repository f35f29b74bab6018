// The system's own description of a Win32 error code, as UTF-8 without the
// trailing white space FormatMessageW leaves; empty when it has none.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norva {

std::string texto_do_sistema(std::uint32_t codigo);

// UTF-16 <-> UTF-8 for the platform's wide-character calls.
std::wstring para_utf16(std::string_view utf8);
std::string para_utf8(std::wstring_view utf16);

}  // namespace norva
