#pragma once
// A transcription as a sequence of inventory phones.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

// Cuts a run of inventory symbols into phones, longest symbol first ("6~w" before "6~" and
// "6"). nullopt when some character starts no symbol of the inventory.
std::optional<std::vector<std::string>> split_phones(std::string_view sampa);

bool is_vowel(std::string_view phone);            // vowels and diphthongs, nasal or not
bool is_voiced_consonant(std::string_view phone);  // b d g v z Z m n J l l~ L r R

}  // namespace quelvara::transcription
