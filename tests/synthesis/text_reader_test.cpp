#include "synthesis/text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "synthesis/phones.h"

namespace quelvara::synthesis {
namespace {

// A diphone as "dif=fone1|fone2:fonum1,fonum2", with 0 for a symbol that is no phone.
std::vector<std::string> describe(std::string_view text) {
  const auto reading = read_text(text);
  EXPECT_TRUE(reading.has_value()) << text;
  std::vector<std::string> out;
  if (!reading) return out;
  for (const auto& d : reading->diphones) {
    out.push_back(d.dif + "=" + d.fone1 + "|" + d.fone2 + ":" + std::to_string(d.fonum1.value_or(0)) +
                  "," + std::to_string(d.fonum2.value_or(0)));
  }
  return out;
}

using List = std::vector<std::string>;

TEST(PhoneInventory, NumbersAreExactPositions) {
  for (std::size_t c = 0; c < fonemas.size(); ++c) EXPECT_EQ(phone_number(fonemas[c]), int(c) + 1);
  EXPECT_EQ(phone_number("E"), 24);  // case matters
  EXPECT_EQ(phone_number("e"), 23);
  EXPECT_EQ(phone_number("A"), std::nullopt);
  EXPECT_EQ(phone_number(""), std::nullopt);
}

TEST(ReadText, OnlyTheLastCharacterIsPunctuation) {
  const auto punctuation = [](std::string_view text) {
    const auto r = read_text(text);
    return r ? r->pal + "/" + r->pontuacao : std::string("none");
  };
  EXPECT_EQ(punctuation("_pa_."), "_pa_/.");
  EXPECT_EQ(punctuation("_pa_!"), "_pa_/!");
  EXPECT_EQ(punctuation("_pa_?"), "_pa_/?");
  EXPECT_EQ(punctuation("_pa_"), "_pa_/.");
  EXPECT_EQ(punctuation("_pa_?!"), "_pa_?/!");
  EXPECT_EQ(punctuation("?"), "/?");
  EXPECT_EQ(punctuation(""), "none");  // no last character to read
}

TEST(ReadText, ScanRulesSplitsAndNumbers) {
  EXPECT_EQ(describe("_pa_."), (List{"_p=_|p:1,2", "pa=p|a:2,25", "a_=a|_:25,1"}));
  EXPECT_EQ(describe("_p6~w_!"), (List{"_p=_|p:1,2", "p6~w=p|6~w:2,46", "6~w_=6~w|_:46,1"}));
  EXPECT_EQ(describe("_i~e~_"), (List{"_i~=_|i~:1,31", "i~e~=i~|e~:31,32", "e~_=e~|_:32,1"}));
  EXPECT_EQ(describe("_aj_"), (List{"_aj=_|aj:1,40", "aj_=aj|_:40,1"}));
  EXPECT_EQ(describe("_ajoj_"), (List{"_aj=_|aj:1,40", "ajoj=aj|oj:40,41", "oj_=oj|_:41,1"}));
  EXPECT_EQ(describe("_6~j6~w_"), (List{"_6~j=_|6~j:1,36", "6~j6=6~j|6:36,26", "6~w_=6~w|_:46,1"}));
  // Combinations no rule names keep only part of the longer neighbour.
  EXPECT_EQ(describe("aje~").front(), "aje=aj|e:40,23");
  EXPECT_EQ(describe("6~6~j").front(), "6~6~=6~|6~:33,33");
}

TEST(ReadText, TextsWithoutDiphonesAndTheBlank) {
  EXPECT_EQ(describe("a"), List{});
  EXPECT_EQ(describe("."), List{});
  EXPECT_EQ(describe("_ pa_"), List{});
  EXPECT_EQ(describe("_pa_ _pe_"), (List{"_p=_|p:1,2", "pa=p|a:2,25", "a_=a|_:25,1"}));
  // A leading blank is never at i + 1, so it is looked up like any character.
  EXPECT_EQ(describe(" _p").front(), " _= |_:0,1");
}

TEST(ReadText, SymbolsOutsideTheInventoryHaveNoNumber) {
  EXPECT_EQ(describe("_p?a_"), (List{"_p=_|p:1,2", "p?=p|?:2,0", "?a=?|a:0,25", "a_=a|_:25,1"}));
  EXPECT_EQ(describe("_p\xc3\xa3").at(1), "p\xc3=p|\xc3:2,0");  // bytes of a non-ASCII letter
  EXPECT_EQ(describe("_6~").back(), "6~ =6~| :33,0");           // a marker at the end
}

TEST(ReadText, LongTextsStayInsideTheRow) {
  std::string text;
  while (text.size() < 20000) text += "_pa~wjE~j~w";
  const auto reading = read_text(text);
  ASSERT_TRUE(reading.has_value());
  EXPECT_GT(reading->diphones.size(), 10000u);
  for (const auto& d : reading->diphones) {
    ASSERT_TRUE(d.dif.size() >= 2 && d.dif.size() <= 4);
    ASSERT_FALSE(d.fone1.empty() || d.fone2.empty());
  }
}

TEST(ReadText, StressMarksAreTakenOutBeforeTheScanAndGoToTheNextVowel) {
  struct Case {
    const char* marked;
    const char* plain;
    std::string stress;  // per phone: " " none, "%" secondary, "\"" primary
  };
  const std::vector<Case> cases = {
      {"_s6\"patu_.", "_s6patu_.", "    \"   "},
      {"_s6p\"atu_.", "_s6patu_.", "    \"   "},           // before the vowel itself
      {"_%ul6\"ti~_?", "_ul6ti~_?", " %   \" "},          // secondary stress, a nasal vowel
      {"_\"p6~w_!", "_p6~w_!", "  \" "},                   // a three-character vowel
      {"_\"%6j\"_", "_6j_", " \" "},                       // primary wins; a mark with no vowel after it
      {"_pa_", "_pa_", "    "},
  };
  for (const Case& c : cases) {
    const auto marked = read_text(c.marked);
    ASSERT_TRUE(marked.has_value()) << c.marked;
    EXPECT_EQ(describe(c.marked), describe(c.plain)) << c.marked;
    EXPECT_EQ(marked->pal + marked->pontuacao, read_text(c.plain)->pal + read_text(c.plain)->pontuacao);
    std::string stress;
    for (Stress s : marked->stress) stress += s == Stress::primary ? '"' : s == Stress::secondary ? '%' : ' ';
    EXPECT_EQ(stress, c.stress) << c.marked;
  }
  EXPECT_FALSE(read_text("\"%").has_value());  // only marks: an empty text
}

}  // namespace
}  // namespace quelvara::synthesis
