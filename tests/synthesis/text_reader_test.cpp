#include "synthesis/text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "synthesis/phones.h"

namespace quelvara::synthesis {
namespace {

using Split = std::tuple<std::string, std::string, std::string>;  // dif, fone1, fone2

std::vector<Split> splits(const Reading& reading) {
  std::vector<Split> out;
  for (const auto& d : reading.diphones) out.emplace_back(d.dif, d.fone1, d.fone2);
  return out;
}

std::vector<std::pair<int, int>> numbers(const Reading& reading) {
  std::vector<std::pair<int, int>> out;
  for (const auto& d : reading.diphones) out.emplace_back(d.fonum1.value_or(0), d.fonum2.value_or(0));
  return out;
}

Reading read(std::string_view text) {
  auto reading = read_text(text);
  EXPECT_TRUE(reading.has_value()) << text;
  return reading.value_or(Reading{});
}

TEST(PhoneInventory, NumbersFollowTheInventoryAndCaseMatters) {
  EXPECT_EQ(phone_number("_"), 1);
  EXPECT_EQ(phone_number("t"), 4);
  EXPECT_EQ(phone_number("a"), 25);
  EXPECT_EQ(phone_number("6~w"), 46);
  EXPECT_EQ(phone_number("e"), 23);
  EXPECT_EQ(phone_number("E"), 24);
  EXPECT_EQ(phone_number("L"), 19);
  EXPECT_EQ(phone_number("l"), 17);
  EXPECT_EQ(phone_number("A"), std::nullopt);
  EXPECT_EQ(phone_number(""), std::nullopt);
  EXPECT_EQ(phone_number("aj "), std::nullopt);
  for (std::size_t c = 0; c < fonemas.size(); ++c) EXPECT_EQ(phone_number(fonemas[c]), int(c) + 1);
}

TEST(ReadText, FinalPunctuationIsTakenOff) {
  Reading r = read("_pa_.");
  EXPECT_EQ(r.pal, "_pa_");
  EXPECT_EQ(r.pontuacao, '.');
  EXPECT_EQ(read("_pa_!").pontuacao, '!');
  EXPECT_EQ(read("_pa_?").pontuacao, '?');
  Reading none = read("_pa_");
  EXPECT_EQ(none.pal, "_pa_");
  EXPECT_EQ(none.pontuacao, '.');
  // Only the last character counts.
  Reading two = read("_pa_?!");
  EXPECT_EQ(two.pal, "_pa_?");
  EXPECT_EQ(two.pontuacao, '!');
}

TEST(ReadText, SimplePhonesShareTheirNeighbours) {
  Reading r = read("_pa_.");
  EXPECT_EQ(splits(r), (std::vector<Split>{{"_p", "_", "p"}, {"pa", "p", "a"}, {"a_", "a", "_"}}));
  EXPECT_EQ(numbers(r), (std::vector<std::pair<int, int>>{{1, 2}, {2, 25}, {25, 1}}));
}

TEST(ReadText, ThreeCharacterPhone) {
  Reading r = read("_p6~w_!");
  EXPECT_EQ(r.pontuacao, '!');
  EXPECT_EQ(splits(r),
            (std::vector<Split>{{"_p", "_", "p"}, {"p6~w", "p", "6~w"}, {"6~w_", "6~w", "_"}}));
  EXPECT_EQ(numbers(r), (std::vector<std::pair<int, int>>{{1, 2}, {2, 46}, {46, 1}}));
}

TEST(ReadText, TwoNasalVowels) {
  Reading r = read("_i~e~_");
  EXPECT_EQ(splits(r),
            (std::vector<Split>{{"_i~", "_", "i~"}, {"i~e~", "i~", "e~"}, {"e~_", "e~", "_"}}));
  EXPECT_EQ(numbers(r), (std::vector<std::pair<int, int>>{{1, 31}, {31, 32}, {32, 1}}));
}

TEST(ReadText, Diphthongs) {
  EXPECT_EQ(splits(read("_aj_")), (std::vector<Split>{{"_aj", "_", "aj"}, {"aj_", "aj", "_"}}));
  EXPECT_EQ(splits(read("_ajoj_")),
            (std::vector<Split>{{"_aj", "_", "aj"}, {"ajoj", "aj", "oj"}, {"oj_", "oj", "_"}}));
  EXPECT_EQ(splits(read("_6~j6~w_")),
            (std::vector<Split>{{"_6~j", "_", "6~j"}, {"6~j6", "6~j", "6"}, {"6~w_", "6~w", "_"}}));
}

TEST(ReadText, UnnamedCombinationsCutTheLongerNeighbour) {
  // "aj" + "e~" gives «aje»; "6~" + "6~j" gives «6~6~».
  Reading aje = read("aje~");
  ASSERT_FALSE(aje.diphones.empty());
  EXPECT_EQ(aje.diphones[0].dif, "aje");
  EXPECT_EQ(aje.diphones[0].fone1, "aj");
  EXPECT_EQ(aje.diphones[0].fone2, "e");
  Reading nasal = read("6~6~j");
  ASSERT_FALSE(nasal.diphones.empty());
  EXPECT_EQ(nasal.diphones[0].dif, "6~6~");
}

TEST(ReadText, TextsWithoutDiphones) {
  for (std::string_view text : {"a", ".", "?", "!", "a.", "_!"}) {
    auto r = read_text(text);
    ASSERT_TRUE(r.has_value()) << text;
    EXPECT_TRUE(r->diphones.empty()) << text;
  }
  EXPECT_EQ(read(".").pal, "");
  EXPECT_FALSE(read_text("").has_value());
}

TEST(ReadText, BlankEndsTheScan) {
  Reading r = read("_pa_ _pe_");
  EXPECT_EQ(numbers(r), (std::vector<std::pair<int, int>>{{1, 2}, {2, 25}, {25, 1}}));
  Reading leading = read(" _pa_");  // the blank is never at i + 1, so it is looked up
  ASSERT_EQ(leading.diphones.size(), 4u);
  EXPECT_EQ(leading.diphones[0].fone1, " ");
  EXPECT_EQ(leading.diphones[0].fonum1, std::nullopt);
  EXPECT_TRUE(read("_ pa").diphones.empty());
}

TEST(ReadText, UnknownSymbolsHaveNoNumber) {
  Reading question = read("_p?a_");
  ASSERT_EQ(question.diphones.size(), 4u);
  EXPECT_EQ(question.diphones[1].fone2, "?");
  EXPECT_EQ(question.diphones[1].fonum2, std::nullopt);
  EXPECT_EQ(question.diphones[2].fonum1, std::nullopt);
  EXPECT_EQ(question.diphones[2].fonum2, 25);

  // Non-ASCII bytes are scanned like any other character and match no phone.
  Reading accented = read("_p\xc3\xa3_");
  ASSERT_FALSE(accented.diphones.empty());
  EXPECT_EQ(accented.diphones[0].fonum2, 2);
  EXPECT_EQ(accented.diphones[1].fonum2, std::nullopt);

  // A marker at the end leaves a trailing blank in the last diphone.
  Reading trailing = read("_a~");
  ASSERT_EQ(trailing.diphones.size(), 2u);
  EXPECT_EQ(trailing.diphones[1].dif, "a~ ");
  EXPECT_EQ(trailing.diphones[1].fonum2, std::nullopt);
}

TEST(ReadText, LongTextStaysInsideTheRow) {
  std::string text;
  while (text.size() < 20000) text += "_pa~wjE~j~w";
  Reading r = read(text);
  EXPECT_FALSE(r.diphones.empty());
  for (const auto& d : r.diphones) {
    EXPECT_GE(d.dif.size(), 2u);
    EXPECT_LE(d.dif.size(), 4u);
    EXPECT_EQ(d.fone1 + d.fone2, d.dif);
    EXPECT_FALSE(d.fone2.empty());
  }
}

}  // namespace
}  // namespace quelvara::synthesis
