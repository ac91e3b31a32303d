#include "tools/quelvara-bd/carrier.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "synthesis/phones.h"
#include "tools/quelvara-bd/phone_table.h"

namespace quelvara::tools {
namespace {

const PhoneTable& table() {
  static const PhoneTable t = read_phone_table(std::filesystem::path(QUELVARA_SOURCE_DIR) / "tools" /
                                               "quelvara-bd" / "sampa-espeak.tsv");
  return t;
}

int number(const char* symbol) { return *synthesis::phone_number(symbol); }

std::string carrier_of(const char* a, const char* b) { return make_carrier(table(), number(a), number(b))->codes(); }

TEST(PhoneTable, TheRepositoryTableCoversTheInventory) {
  ASSERT_EQ(table().size(), 46u);
  EXPECT_EQ(table()[number("6~j") - 1].codes, (std::vector<std::string>{"&~", "j"}));
  EXPECT_EQ(table()[number("R") - 1].codes, (std::vector<std::string>{"x"}));
  EXPECT_EQ(table()[number("l~") - 1].kind, PhoneKind::lateral);
  EXPECT_EQ(table()[0].kind, PhoneKind::pause);
  for (const char* reduced : {"6", "@", "u"}) {
    EXPECT_TRUE(table()[number(reduced) - 1].reduced) << reduced;
    EXPECT_EQ(table()[number(reduced) - 1].kind, PhoneKind::vowel) << reduced;
  }
  EXPECT_FALSE(table()[number("a") - 1].reduced);
  for (const char* moving : {"aj", "Ew", "6~w", "u~j", "l~"})
    EXPECT_LT(table()[number(moving) - 1].steady_from, table()[number(moving) - 1].steady_to) << moving;
  EXPECT_EQ(table()[number("a") - 1].steady_to, 0.0);
}

TEST(PhoneTable, RejectsTablesThatDoNotMatchTheInventory) {
  const std::string good_tail = [] {
    std::ostringstream rows;
    for (int n = 2; n <= 46; ++n)
      rows << n << '\t' << synthesis::fonemas[static_cast<std::size_t>(n - 1)] << "\tx\tvowel\t0.5\n";
    return rows.str();
  }();
  const auto parse = [](const std::string& text) {
    std::istringstream in(text);
    return read_phone_table(in);
  };
  EXPECT_NO_THROW(parse("1\t_\t_:\tpause\t0.5\n" + good_tail));
  EXPECT_THROW(parse(good_tail), std::runtime_error);                                // "_" missing
  EXPECT_THROW(parse("1\tp\t_:\tpause\t0.5\n" + good_tail), std::runtime_error);     // wrong symbol
  EXPECT_THROW(parse("1\t_\t_:\tsilence\t0.5\n" + good_tail), std::runtime_error);   // unknown kind
  EXPECT_THROW(parse("1\t_\t_:\tpause\t1.5\n" + good_tail), std::runtime_error);     // centre outside
  EXPECT_THROW(parse("1\t_\t\tpause\t0.5\n" + good_tail), std::runtime_error);       // no codes
  EXPECT_THROW(parse("1\t_\t_:\tpause\t0.5\n2\tp\tp\tplosive\t0.5\n" + good_tail), std::runtime_error);
  EXPECT_THROW(parse("1\t_\t_:\tpause\t0.5-0.2\n" + good_tail), std::runtime_error);   // empty range
  EXPECT_THROW(parse("1\t_\t_:\tpause\t0.2-\n" + good_tail), std::runtime_error);      // half a range
  EXPECT_THROW(parse("1\t_\t_:\tpause\t0.2-1.5\n" + good_tail), std::runtime_error);   // range outside
  const auto ranged = parse("1\t_\t_:\tpause\t0.1-0.4\n" + good_tail);
  EXPECT_DOUBLE_EQ(ranged[0].steady_from, 0.1);
  EXPECT_DOUBLE_EQ(ranged[0].steady_to, 0.4);
  std::string with_reduced = "1\t_\t_:\tpause\t0.5\n" + good_tail;
  const std::string row_of_6 = "\n26\t6\tx\tvowel";
  with_reduced.replace(with_reduced.find(row_of_6), row_of_6.size(), "\n26\t6\tx\treduced-vowel");
  const auto reduced = parse(with_reduced);
  EXPECT_TRUE(reduced[number("6") - 1].reduced);
  EXPECT_EQ(reduced[number("6") - 1].kind, PhoneKind::vowel);
  EXPECT_FALSE(reduced[number("a") - 1].reduced);
}

TEST(Carrier, OneStressedWordWithTheDiphoneInANeutralContext) {
  EXPECT_EQ(carrier_of("p", "a"), "&|p'a|t|&");
  EXPECT_EQ(carrier_of("a", "p"), "t'a|p|&");
  EXPECT_EQ(carrier_of("p", "s"), "t'a|p|s|&");
  EXPECT_EQ(carrier_of("a", "i"), "t'a|i|t|&");
  EXPECT_EQ(carrier_of("_", "p"), "_:|p'a|t|&");
  EXPECT_EQ(carrier_of("_", "a"), "_:'a|t|&");
  EXPECT_EQ(carrier_of("a", "_"), "t'a|_:");
  EXPECT_EQ(carrier_of("6~j", "t"), "t'&~|j|t|&");
  EXPECT_FALSE(make_carrier(table(), 1, 1).has_value());
}

TEST(Carrier, ReducedVowelsAreTakenUnstressedAfterTheStressedSyllable) {
  EXPECT_EQ(carrier_of("p", "6"), "t'a|p|&|t|&");
  EXPECT_EQ(carrier_of("6", "p"), "t'a|t|&|p|&");
  EXPECT_EQ(carrier_of("_", "u"), "_:|U|t'a|t|&");
  EXPECT_EQ(carrier_of("u", "_"), "t'a|t|U|_:");
  EXPECT_EQ(carrier_of("a", "@"), "t'a|y|t|&");
  EXPECT_EQ(carrier_of("@", "a"), "t'a|t|y|a|t|&");
  EXPECT_EQ(carrier_of("6", "u"), "t'a|t|&|U|t|&");
  // full vowels keep the stress
  EXPECT_EQ(carrier_of("p", "o"), "&|p'o|t|&");
}

TEST(Carrier, UvularROnlyBeforeAVowel) {
  EXPECT_EQ(carrier_of("R", "a"), "&|x'a|t|&");
  EXPECT_EQ(carrier_of("R", "p"), "t'a|x|y|p|&");
  EXPECT_EQ(carrier_of("R", "_"), "t'a|x|y|_:");
  EXPECT_EQ(carrier_of("p", "R"), "t'a|p|x|&");
}

TEST(Carrier, EveryPairHasItsPhonesAtTheMarkedTokens) {
  for (int a = 1; a <= 46; ++a) {
    for (int b = 1; b <= 46; ++b) {
      const auto carrier = make_carrier(table(), a, b);
      if (a == 1 && b == 1) continue;
      ASSERT_TRUE(carrier.has_value());
      EXPECT_EQ(carrier->tokens[carrier->first].phone, &table()[static_cast<std::size_t>(a - 1)]);
      EXPECT_EQ(carrier->tokens[carrier->second].phone, &table()[static_cast<std::size_t>(b - 1)]);
      const auto codes = carrier->codes();
      EXPECT_EQ(std::count(codes.begin(), codes.end(), '\''), 1) << codes;
      for (const auto& token : carrier->tokens)
        if (token.phone != nullptr && token.phone->reduced) {
          EXPECT_FALSE(token.stressed) << codes;
        }
    }
  }
}

}  // namespace
}  // namespace quelvara::tools
