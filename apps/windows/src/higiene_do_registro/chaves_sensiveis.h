// CHAVES_SENSIVEIS: the keys whose values the sanitiser hides wherever a
// key/value pair with one of them appears in a message.
#pragma once

#include <cstddef>
#include <string_view>

namespace norva::higiene {

inline constexpr std::size_t MENOR_CHAVE = 3;   // bytes
inline constexpr std::size_t MAIOR_CHAVE = 16;  // bytes

// The one key that also pairs with a digit and no separator, and whose value,
// when it starts with a digit, ends at its last digit.
inline constexpr std::string_view CHAVE_PIN = "pin";

// Whether `token` is a sensitive key once its letters A to Z are lower-cased
// (no other case folding: "ENDEREÇO" is not "endereço"). Tokens shorter than
// MENOR_CHAVE or longer than MAIOR_CHAVE bytes never are.
bool e_chave_sensivel(std::string_view token) noexcept;

// Whether `token` is "pin" in any case of its three letters.
bool e_chave_pin(std::string_view token) noexcept;

}  // namespace norva::higiene
