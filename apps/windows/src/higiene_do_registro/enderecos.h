// The address grammar of the word rules: IPv4 and IPv6 addresses, and socket
// addresses (an address with a port). All of it is ASCII; a text matches only
// if the whole text matches. Every check is one pass over the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace norva::higiene {

enum class FamiliaIp : std::uint8_t { V4, V6 };

struct EnderecoDeSocket {
  FamiliaIp familia;
  std::uint16_t porta;
};

// Four decimal octets 0 to 255, no leading zero ("0" yes, "00" and "01" no).
bool e_ipv4(std::string_view texto) noexcept;

// Eight hex groups of 1 to 4 digits; or fewer with exactly one "::" standing
// for at least one zero group; the last two groups may be an IPv4 address.
bool e_ipv6(std::string_view texto) noexcept;

// "a.b.c.d:porta", or "[ipv6]:porta" / "[ipv6%zona]:porta" with a decimal zone
// up to 4294967295. The port has one or more digits (leading zeros allowed)
// and a value up to 65535.
std::optional<EnderecoDeSocket> endereco_de_socket(std::string_view texto) noexcept;

}  // namespace norva::higiene
