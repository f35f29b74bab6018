// The pipe's name: the default one, or a per-camera variant derived from the
// camera's friendly name, so that several virtual cameras each read their own
// pipe. The friendly name itself never appears in the result or in the log.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norva {

inline constexpr std::string_view NOME_PADRAO_DO_CANO = R"(\\.\pipe\norva-camera-v1)";

// `nome_amigavel` is UTF-8. Absent (or empty): the default pipe. Present: the
// default path, "-", and the 64-bit FNV-1a hash of its bytes as 16 lower-case
// hexadecimal digits. The result is a UTF-8 path.
std::string nome_do_cano(const std::optional<std::string>& nome_amigavel);

}  // namespace norva
