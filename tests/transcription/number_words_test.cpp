// Numbers in words, from a table of readings: cardinals with the feminine, ordinals, digits
// and denominators, at the edges of their words and their ranges.
#include "transcription/number_words.h"

#include <gtest/gtest.h>

#include "test_rows.h"
#include "transcription/normalisation.h"

namespace quelvara::transcription {
namespace {

std::string joined(const std::optional<Words>& words) {
  if (!words) return "-";
  std::string text;
  for (const auto& w : *words) text += (text.empty() ? "" : " ") + w;
  return text;
}

TEST(NumberWordsTable, NumbersAreReadAsTheTableSays) {
  const NumberWords& numbers = Normaliser::compiled().numbers();
  int rows = 0;
  for (const auto& f : testing::test_rows("number-words.tsv")) {
    ASSERT_EQ(f.size(), 4u) << f[0];
    const std::uint64_t n = std::stoull(f[1]);
    const Gender gender = f[2] == "f" ? Gender::feminine : Gender::masculine;
    std::optional<Words> got;
    if (f[0] == "cardinal") got = numbers.cardinal(n, gender);
    else if (f[0] == "ordinal" || f[0] == "ordinals") got = numbers.ordinal(n, gender, f[0] == "ordinals");
    else if (f[0] == "digits") got = numbers.digits(f[1]);
    else if (const auto d = numbers.denominator(n, f[0] == "denominators")) got = Words{*d};
    EXPECT_EQ(joined(got), f[3]) << f[0] << " " << f[1] << " " << f[2];
    ++rows;
  }
  EXPECT_GE(rows, 50);
  EXPECT_THROW(numbers.cardinal(NumberWords::largest + 1), std::out_of_range);
}

}  // namespace
}  // namespace quelvara::transcription
