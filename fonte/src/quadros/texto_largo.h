// UTF-8 <-> UTF-16 for the platform's wide-character calls (pipe names,
// command lines). Windows only.
#pragma once

#include <string>
#include <string_view>

namespace norva {

std::wstring para_utf16(std::string_view utf8);
std::string para_utf8(std::wstring_view utf16);

}  // namespace norva
