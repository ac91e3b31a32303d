#include "transcription/phone_sequence.h"

#include <algorithm>

#include "synthesis/phones.h"

namespace quelvara::transcription {

std::optional<std::vector<std::string>> split_phones(std::string_view sampa) {
  std::vector<std::string> phones;
  std::size_t at = 0;
  while (at < sampa.size()) {
    std::size_t taken = 0;
    for (std::size_t length = std::min<std::size_t>(3, sampa.size() - at); length > 0 && !taken; --length)
      if (synthesis::phone_number(sampa.substr(at, length))) taken = length;
    if (!taken) return std::nullopt;
    phones.emplace_back(sampa.substr(at, taken));
    at += taken;
  }
  return phones;
}

bool is_vowel(std::string_view phone) {
  const auto number = synthesis::phone_number(phone);
  return number && synthesis::is_vowel(*number);
}

bool is_voiced_consonant(std::string_view phone) {
  static constexpr std::string_view voiced[] = {"b", "d", "g", "v", "z", "Z", "m",
                                                "n", "J", "l", "l~", "L", "r", "R"};
  return std::find(std::begin(voiced), std::end(voiced), phone) != std::end(voiced);
}

}  // namespace quelvara::transcription
