// Cutting spelt text into phrases and words, with positions counted in characters.
#include "transcription/spelling.h"

#include <gtest/gtest.h>

namespace quelvara::transcription {
namespace {

using Words = std::vector<std::string>;

std::vector<Words> phrases(const Spelling& s) {
  std::vector<Words> out;
  for (const Phrase& p : s.phrases) {
    Words words;
    for (const Token& t : p.words) words.push_back(t.text);
    out.push_back(words);
  }
  return out;
}

TEST(Spelling, PunctuationThatMarksAPauseEndsAPhrase) {
  const Spelling s = read_spelling("Bom dia, Lisboa; olá: sim. Não (talvez) — já… e então!");
  EXPECT_EQ(phrases(s), (std::vector<Words>{{"Bom", "dia"}, {"Lisboa"}, {"olá"}, {"sim"}, {"Não"}, {"talvez"},
                                            {"já"}, {"e", "então"}}));
  EXPECT_EQ(s.final_mark, '!');
  EXPECT_FALSE(s.blank);
}

TEST(Spelling, MarksBetweenDigitsOrInsideAWordBelongToIt) {
  const Spelling s = read_spelling("3,5 e 1.000 às 12:30 em www.sapo.pt, guarda-chuva - d'água -5");
  EXPECT_EQ(phrases(s), (std::vector<Words>{{"3,5", "e", "1.000", "às", "12:30", "em", "www.sapo.pt"},
                                            {"guarda-chuva"}, {"d'água", "-5"}}));
  EXPECT_EQ(s.final_mark, 0);
}

TEST(Spelling, QuotesSeparateWordsAndOnlyAFinalMarkIsKept) {
  EXPECT_EQ(phrases(read_spelling("«Sim» disse \"ele\" 'hoje'")),
            (std::vector<Words>{{"Sim", "disse", "ele", "hoje"}}));
  EXPECT_EQ(read_spelling("Vens? Sim.").final_mark, '.');
  EXPECT_EQ(read_spelling("Vens? Sim").final_mark, 0);
  EXPECT_EQ(read_spelling("Vens?!  ").final_mark, '!');
  EXPECT_EQ(read_spelling("(Vens?)").final_mark, '?');
}

TEST(Spelling, TheReaderOfPeriodsKeepsAbbreviationsWholeAndInThePhrase) {
  const PeriodRule periods = [](std::string_view word) {
    return word == "Sr." ? PeriodUse::abbreviation : word == "etc." ? PeriodUse::may_end : PeriodUse::ends_phrase;
  };
  EXPECT_EQ(phrases(read_spelling("O Sr. Silva e a Ana. Sim.", periods)),
            (std::vector<Words>{{"O", "Sr.", "Silva", "e", "a", "Ana"}, {"Sim"}}));
  // One that may end a sentence does so before a capital or the end, and keeps its period.
  const Spelling end = read_spelling("pão, etc. Depois, vinho etc. e mais etc.", periods);
  EXPECT_EQ(phrases(end), (std::vector<Words>{{"pão"}, {"etc."}, {"Depois"}, {"vinho", "etc.", "e", "mais", "etc."}}));
  EXPECT_EQ(end.final_mark, '.');
}

TEST(Spelling, BlankAndPunctuationOnlyTextsHaveNoPhrase) {
  EXPECT_TRUE(read_spelling("").blank);
  EXPECT_TRUE(read_spelling(" \t\n\u00a0").blank);
  const Spelling s = read_spelling(" ... , ! ");
  EXPECT_FALSE(s.blank);
  EXPECT_TRUE(s.phrases.empty());
}

TEST(Spelling, PositionsCountCharactersNotBytes) {
  const Spelling s = read_spelling("pão, mãe e coração");
  ASSERT_EQ(s.phrases.size(), 2u);
  EXPECT_EQ(s.phrases[0].words[0].position, 1u);
  EXPECT_EQ(s.phrases[1].words[0].position, 6u);
  EXPECT_EQ(s.phrases[1].words[1].position, 10u);
  EXPECT_EQ(s.phrases[1].words[2].position, 12u);
  EXPECT_EQ(s.phrases[1].words[2].characters.size(), 7u);
}

TEST(Spelling, InvalidUtf8IsOneInvalidCharacterPerByte) {
  const auto chars = decode_utf8("a\xC3(\xE2\x82\xAC\xF0\x9F\x98\x80\xC0\x80");
  ASSERT_EQ(chars.size(), 7u);
  EXPECT_EQ(chars[0].code, U'a');
  EXPECT_FALSE(chars[1].valid);  // a lead byte without its follower
  EXPECT_EQ(chars[2].code, U'(');
  EXPECT_EQ(chars[3].code, U'\u20ac');
  EXPECT_EQ(chars[4].code, U'\U0001F600');
  EXPECT_FALSE(chars[5].valid);  // an overlong form
  EXPECT_FALSE(chars[6].valid);
}

TEST(Spelling, LowerCaseCoversPortugueseCapitals) {
  EXPECT_EQ(lower_case("ÁGUA Ção ÉVORA ÔÕÜ"), "água ção évora ôõü");
  EXPECT_EQ(lower_case("×"), "×");
}

}  // namespace
}  // namespace quelvara::transcription
