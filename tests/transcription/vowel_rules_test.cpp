// The vowel rules on readings written out in a table, so that they are tried without the donor's
// front end: the first syllable, e before a vowel, endings, plurals and derived words.
#include "transcription/vowel_rules.h"

#include <gtest/gtest.h>

#include <map>

#include "test_rows.h"
#include "transcription/tables.h"

namespace quelvara::transcription {
namespace {

// "t @ l @ f 'o n @": the phones, the stressed one marked.
WordPhones reading(const std::string& written) {
  WordPhones word;
  for (std::string phone : words_of(written)) {
    if (phone.front() == '\'') {
      word.stressed = word.phones.size();
      phone.erase(0, 1);
    }
    word.phones.push_back(phone);
  }
  return word;
}

std::string written(const WordPhones& word) {
  std::string text;
  for (std::size_t k = 0; k < word.phones.size(); ++k)
    text += (k ? " " : "") + std::string(word.stressed == k ? "'" : "") + word.phones[k];
  return text;
}

TEST(VowelRulesTable, EachRuleMendsWhatItShouldAndLeavesTheRest) {
  const VowelRules rules = VowelRules::read(tables::vowel_endings);
  std::map<std::string, WordPhones, std::less<>> readings;
  const VowelRules::Reader read = [&](std::string_view spelling) -> std::shared_ptr<const WordPhones> {
    const auto found = readings.find(spelling);
    return found == readings.end() ? nullptr : std::make_shared<const WordPhones>(found->second);
  };
  int rows = 0;
  for (const auto& fields : testing::test_rows("vowel-rules.tsv")) {
    ASSERT_GE(fields.size(), 3u) << fields[0];
    if (fields[0] == "reading") {
      readings[fields[1]] = reading(fields[2]);
      continue;
    }
    ASSERT_EQ(fields.size(), 4u) << fields[1];
    WordPhones word = reading(fields[2]);
    rules.apply(fields[1], word, read);
    EXPECT_EQ(written(word), fields[3]) << fields[1];
    ++rows;
  }
  EXPECT_GE(rows, 30);
}

TEST(VowelRules, RowsThatAreNotEndingsAndVowelsAreRefusedByLine) {
  EXPECT_THROW(VowelRules::read("fone\to\n"), std::runtime_error);
  try {
    VowelRules::read("# e\nfone\to\tQ\n");
    FAIL() << "accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "vowel ending table line 2: 'Q' is not a vowel of the inventory");
  }
}

}  // namespace
}  // namespace quelvara::transcription
