// UTF-8 to UTF-16 for the registry's wide-character calls, with the NUL that
// REG_SZ values store.
#pragma once

#include <string>
#include <string_view>

namespace norva {

// `texto` as UTF-16 followed by one NUL unit (an empty text gives a single
// NUL), so size() is exactly the unit count a REG_SZ value stores. Bytes that
// are not well-formed UTF-8 (stray continuation bytes, overlong forms,
// surrogates, values past U+10FFFF, cut sequences) each become U+FFFD, as
// the platform's own converter does: nothing is dropped silently.
std::u16string para_utf16(std::string_view texto);

}  // namespace norva
