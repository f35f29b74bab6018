// The texts that stand in for what the sanitiser hides.
#pragma once

#include <string_view>

namespace norva::higiene {

inline constexpr std::string_view MARCA_OMITIDO = "<omitido>";
inline constexpr std::string_view MARCA_LINK = "norva://<omitido>";
inline constexpr std::string_view MARCA_DIGEST = "<digest omitido>";
inline constexpr std::string_view MARCA_CAMINHO = "<caminho omitido>";
inline constexpr std::string_view MARCA_IPV4 = "<IPv4>";
inline constexpr std::string_view MARCA_IPV6 = "<IPv6>";

}  // namespace norva::higiene
