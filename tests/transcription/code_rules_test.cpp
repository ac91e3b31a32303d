// The code rules on small tables of their own, and the compiled-in tables as shipped.
#include "transcription/code_rules.h"

#include <gtest/gtest.h>

#include "transcription/exception_list.h"
#include "transcription/spelling_codes.h"
#include "transcription/tables.h"

namespace quelvara::transcription {
namespace {

using Codes = std::vector<std::string>;
using Phones = std::vector<std::string>;

// A builder table of a few phones, as the database builder writes it.
constexpr std::string_view builder =
    "# number\tsampa\tcodes\tkind\tcentre\tipa\n"
    "1\t_\t_:\tpause\t0.5\t-\n"
    "17\tl\tl\tlateral\t0.35\tl\n"
    "18\tl~\tL\tlateral\t0.35\tl\n"
    "2\tp\tp\tplosive\t0.5\tp\n"
    "25\ta\ta\tvowel\t0.5\ta\n"
    "29\tu\tu\tvowel\t0.5\tu\n"
    "39\t6j\t& j\tvowel\t0.5\tx\n"
    "26\t6\t&\tvowel\t0.5\tx\n";

Phones map(const CodeRules& rules, const Codes& codes) {
  const MappedWord word = rules.map_word(codes);
  EXPECT_FALSE(word.unknown) << "unknown code " << word.unknown.value_or("");
  return word.phones;
}

TEST(CodeRules, BuilderRowsAreReadBackwardsAndTheLongestCodesWin) {
  const CodeRules rules = CodeRules::read("", builder);
  EXPECT_EQ(map(rules, {"p", "&", "j"}), (Phones{"p", "6j"}));
  EXPECT_EQ(map(rules, {"p", "&"}), (Phones{"p", "6"}));
  EXPECT_EQ(map(rules, {"_:", "L", "a"}), (Phones{"_", "l~", "a"}));
}

TEST(CodeRules, FrontEndRowsComeFirstAndAPlaceDecidesBetweenThem) {
  const CodeRules rules = CodeRules::read(
      "_:\t-\n"
      "l\tl~\tcoda\n"
      "a w\ta\tend\n"
      "u p\tu\tconsonant\n"
      "& p\t6 p a\tvowel\n",
      builder);
  EXPECT_EQ(map(rules, {"p", "a", "_:"}), (Phones{"p", "a"}));  // the row of this table wins
  EXPECT_EQ(map(rules, {"a", "l"}), (Phones{"a", "l~"}));        // end of word
  EXPECT_EQ(map(rules, {"a", "l", "p", "a"}), (Phones{"a", "l~", "p", "a"}));
  EXPECT_EQ(map(rules, {"a", "l", "a"}), (Phones{"a", "l", "a"}));
  // Silent codes are passed over when looking at what follows.
  EXPECT_EQ(map(rules, {"a", "l", "_:", "a"}), (Phones{"a", "l", "a"}));
  EXPECT_EQ(map(rules, {"a", "l", "_:"}), (Phones{"a", "l~"}));
  EXPECT_EQ(map(rules, {"a", "w"}), (Phones{"a"}));
  EXPECT_TRUE(rules.map_word({"a", "w", "a"}).unknown);  // no rule for w on its own
  EXPECT_EQ(map(rules, {"u", "p", "p"}), (Phones{"u", "p"}));
  EXPECT_EQ(map(rules, {"u", "p"}), (Phones{"u", "p"}));
  EXPECT_EQ(map(rules, {"&", "p", "a"}), (Phones{"6", "p", "a", "a"}));
}

TEST(CodeRules, AStressMarkedRowMatchesOnlyThatStressABareRowAny) {
  const CodeRules rules = CodeRules::read("'u p\ta\n,u\tp\n", builder);
  EXPECT_EQ(map(rules, {"'u", "p"}), (Phones{"a"}));
  EXPECT_EQ(map(rules, {"u", "p"}), (Phones{"u", "p"}));
  EXPECT_EQ(map(rules, {",u", "p"}), (Phones{"p", "p"}));
  EXPECT_EQ(map(rules, {"'a", ",&", "j"}), (Phones{"a", "6j"}));
}

TEST(CodeRules, TheStressGoesToTheFirstVowelOfWhatAStressedCodeBecomes) {
  const CodeRules rules = CodeRules::read("'u p\tp a\n", builder);
  EXPECT_EQ(rules.map_word({"p", "'a", "p", "&"}).stressed, 1u);
  EXPECT_EQ(rules.map_word({"p", "a", "'u", "p"}).stressed, 3u);  // p a p a: the a of the row
  EXPECT_FALSE(rules.map_word({"p", "a", ",u"}).stressed);
}

TEST(CodeRules, TheShippedRowsGiveLisbonVowelsWhereTheFrontEndDoesNot) {
  const CodeRules rules = CodeRules::read(tables::donor_codes, tables::builder_phones);
  const std::vector<std::pair<Codes, std::string>> cases = {
      {{"v", "'e", "Z", "U"}, "v6Zu"},                  // vejo: e before a palatal
      {{"m", "'e", "Z", "m", "U"}, "meZmu"},            // mesmo: but not before a voiced s
      {{"f", "'y", "S", "U"}, "f6Su"},                  // fecho
      {{"t", "'e", "S", "t", "U"}, "t6jStu"},           // texto: ex before a consonant
      {{",e", "s", "p", "l", "'a"}, "6jSpla"},          // ex- in explicar
      {{"s", ",e", "n^", "'o", "r-"}, "s@Jor"},         // senhor: only the stressed e
      {{"p", "R", "'y", "s", "&"}, "prEs6"},            // pressa
      {{",&", "s", "'u", "k", "&", "r-"}, "6sukar"},    // açúcar: a final -ar keeps its a
      {{"n", "'u~", "m", "y", "*", "U"}, "num@ru"},     // número: u before a nasal and a vowel
      {{"Z", "'u~", "n^", "U"}, "ZuJu"},                // junho
      {{"t", "'eI", "N", "s#"}, "t6~jS"},               // tens
      {{"'E", "s"}, "ES"},                              // és: a final s
  };
  for (const auto& [codes, phones] : cases) {
    std::string got;
    for (const auto& phone : map(rules, codes)) got += phone;
    EXPECT_EQ(got, phones) << codes[1];
  }
}

TEST(CodeRules, AnUnknownCodeIsNamedWithThePhonesBeforeIt) {
  const CodeRules rules = CodeRules::read("", builder);
  const MappedWord word = rules.map_word({"p", "a", "x", "a"});
  ASSERT_TRUE(word.unknown);
  EXPECT_EQ(*word.unknown, "x");
  EXPECT_EQ(word.phones, (Phones{"p", "a"}));
}

TEST(CodeRules, MalformedRowsAreRejectedWithTheirLine) {
  const auto error = [](std::string_view front_end) {
    try {
      CodeRules::read(front_end, builder);
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(error("# c\nU\tu\nx\tQ\n"), "donor code table line 3: 'Q' is not a phone of the inventory");
  EXPECT_EQ(error("x\t\n"), "donor code table line 1: no phone (write - for nothing)");
  EXPECT_EQ(error("x\tu\tbefore\n"), "donor code table line 1: unknown place 'before'");
  EXPECT_EQ(error("x\n"), "donor code table line 1: expected 2 or 3 tab-separated fields");
  EXPECT_EQ(error("' x\tu\n"), "donor code table line 1: a stress mark alone is no code");
  EXPECT_THROW(CodeRules::read("", "1\tQ\tq\n"), std::runtime_error);
}

TEST(SpellingCodes, TheSpellingTellsACodaLFromTheGlideOfOuAndFindsTheSOfSc) {
  const auto mended = [](std::string_view spelling, Codes codes) {
    mend_by_spelling(spelling, codes);
    return codes;
  };
  EXPECT_EQ(mended("cultura", {"k", ",u", "w", "t", "'u", "*", "&"}), (Codes{"k", ",u", "l", "t", "'u", "*", "&"}));
  EXPECT_EQ(mended("sou", {"s", "u", "w"}), (Codes{"s", "u", "w"}));
  EXPECT_EQ(mended("pulo", {"p", "'u", "l", "U"}), (Codes{"p", "'u", "l", "U"}));
  EXPECT_EQ(mended("nascer", {"n", "&", "s", "'e", "r-"}), (Codes{"n", "&", "s#", "s", "'e", "r-"}));
  EXPECT_EQ(mended("consciência", {"k", ",u", "N", "s", "i", "'e", "N", "s", "i", "&"}),
            (Codes{"k", ",u", "N", "s#", "s", "i", "'e", "N", "s", "i", "&"}));
  EXPECT_EQ(mended("escola", {"S", "k", "'O", "l", "&"}), (Codes{"S", "k", "'O", "l", "&"}));
}

TEST(ExceptionList, WordsMatchInAnyCaseAndTranscriptionsAreCheckedPhones) {
  const ExceptionList list = ExceptionList::read("# w\tt\nÁgua\tagu6\nmãe\tm6~j\n");
  ASSERT_NE(list.find("ÁGUA"), nullptr);
  EXPECT_EQ(*list.find("água"), (Phones{"a", "g", "u", "6"}));
  EXPECT_EQ(*list.find("Mãe"), (Phones{"m", "6~j"}));
  EXPECT_EQ(list.find("mae"), nullptr);
  EXPECT_THROW(ExceptionList::read("a\tQ\n"), std::runtime_error);
  EXPECT_THROW(ExceptionList::read("a\ta_a\n"), std::runtime_error);
  EXPECT_THROW(ExceptionList::read("a\ta\nA\ta\n"), std::runtime_error);
  EXPECT_THROW(ExceptionList::read("a b\ta\n"), std::runtime_error);
  EXPECT_THROW(ExceptionList::read("a\n"), std::runtime_error);
}

TEST(CompiledTables, ParseAndCoverTheWholeInventory) {
  const CodeRules rules = CodeRules::read(tables::donor_codes, tables::builder_phones);
  EXPECT_GT(rules.size(), 46u);
  EXPECT_GT(ExceptionList::read(tables::exceptions).size(), 0u);
  // Every phone is reachable: the builder's codes for it come back as that phone.
  EXPECT_EQ(map(rules, {"'a", "n^", "&"}), (Phones{"a", "J", "6"}));
  EXPECT_EQ(map(rules, {"p", "'&U~"}), (Phones{"p", "6~w"}));
  EXPECT_EQ(map(rules, {"s", "'A", "l"}), (Phones{"s", "a", "l~"}));
}

}  // namespace
}  // namespace quelvara::transcription
