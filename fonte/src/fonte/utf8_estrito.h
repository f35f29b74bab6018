// Strict UTF-16 to UTF-8 for the camera's friendly name: a lone surrogate
// anywhere makes the text unusable (no replacement characters), because a
// pipe name derived from a guessed text would not match the application's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norva {

std::optional<std::string> utf8_estrito(std::u16string_view texto);

}  // namespace norva
