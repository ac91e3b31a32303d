#pragma once
// The phone inventory: 46 SAMPA symbols, numbered by their position (1-based).
#include <array>
#include <optional>
#include <string_view>

namespace quelvara::synthesis {

inline constexpr std::array<std::string_view, 46> fonemas = {
    "_",  "p",  "b",  "t",   "d",   "k",   "g",  "f",  "v",  "s",  "z",  "S",
    "Z",  "m",  "n",  "J",   "l",   "l~",  "L",  "r",  "R",  "i",  "e",  "E",
    "a",  "6",  "O",  "o",   "u",   "@",   "i~", "e~", "6~", "o~", "u~", "6~j",
    "o~j", "u~j", "6j", "aj", "oj", "Oj", "aw", "ew", "Ew", "6~w"};

// Inventory number (1..46) of a symbol, compared exactly; nullopt when it is not a phone.
std::optional<int> phone_number(std::string_view symbol);

// The inventory's order: "_", then the consonants (the stops p b t d k g from 2 to 7), then the
// vowels and diphthongs from 22 on.
inline constexpr bool is_vowel(int fonum) { return fonum >= 22 && fonum <= 46; }
inline constexpr bool is_stop(int fonum) { return fonum >= 2 && fonum <= 7; }

}  // namespace quelvara::synthesis
