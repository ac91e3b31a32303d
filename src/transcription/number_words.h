#pragma once
// Numbers in words, as European Portuguese reads them: cardinals with their feminine forms,
// ordinals, digits one by one, and Roman numerals.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

enum class Gender { masculine, feminine };

using Words = std::vector<std::string>;

class NumberWords {
 public:
  static constexpr std::uint64_t largest = 999'999'999'999;

  // Rows of numbers.tsv. Throws std::runtime_error naming the line at fault, or the first
  // word the table lacks.
  static NumberWords read(std::string_view table);

  // n up to largest. The feminine reaches the units and hundreds below a million
  // ("duzentas mil pessoas"), never the millions ("dois milhões de pessoas").
  Words cardinal(std::uint64_t n, Gender gender = Gender::masculine) const;
  // n from 1 to 1999; nullopt beyond.
  std::optional<Words> ordinal(std::uint64_t n, Gender gender = Gender::masculine, bool plural = false) const;
  // Each digit of a run of digits as a word ("zero zero sete").
  Words digits(std::string_view digits) const;
  // The denominator of a fraction from 2 to 10 ("meio", "terços", "quartos"); nullopt beyond.
  std::optional<std::string> denominator(std::uint64_t n, bool plural) const;
  const std::string& month(int number) const;  // 1 to 12
  // Whether word is "milhão" or "milhões" (a noun after it takes "de": "um milhão de euros").
  bool is_million(const std::string& word) const;
  // The other words numbers are read with: "and", "minus", "plus", "comma", "point", "of",
  // "to", "over".
  const std::string& word(const std::string& name) const;

 private:
  Words below_thousand(unsigned n, Gender gender) const;
  const std::string& unit(unsigned n, Gender gender) const;

  struct Forms {
    std::string masculine, feminine;  // for a scale, its singular and plural
  };
  std::map<std::uint64_t, Forms> cardinals_, ordinals_, scales_, months_, fractions_;
  std::string hundred_alone_;
  std::map<std::string, std::string> words_;
};

// The value of a Roman numeral in capitals written the usual way (XIV, not XIIII), 1 to 3999.
std::optional<int> roman_value(std::string_view numeral);

}  // namespace quelvara::transcription
