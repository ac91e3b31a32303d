// The table of common words and short sentences: how much of it the transcriber gets exactly
// right, its phone error rate and most frequent confusions (printed), and whether every
// transcription can be analysed on the default database.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

#include "runtime/mat_file.h"
#include "test_rows.h"
#include "synthesis/analysis.h"
#include "transcription/phone_sequence.h"
#include "synthesis/stress_marks.h"
#include "transcription/transcriber.h"

namespace quelvara::transcription {
namespace {

namespace fs = std::filesystem;
using Phones = std::vector<std::string>;

struct Entry {
  bool sentence = false;
  std::string spelling;
  std::string expected;
};

std::vector<Entry> table() {
  std::vector<Entry> entries;
  for (auto& fields : testing::test_rows("european-portuguese.tsv")) {
    fields.resize(3);
    EXPECT_TRUE(fields[0] == "word" || fields[0] == "sentence") << fields[0] << " " << fields[1];
    entries.push_back({fields[0] == "sentence", std::move(fields[1]), std::move(fields[2])});
  }
  return entries;
}

// The phones a transcription is measured on: the pauses at its ends and the final mark are
// the same for every entry and are left out; pauses inside a sentence count.
Phones measured(std::string sampa) {
  if (!sampa.empty() && (sampa.back() == '.' || sampa.back() == '!' || sampa.back() == '?')) sampa.pop_back();
  auto phones = split_phones(sampa);
  if (!phones) return {"<" + sampa + ">"};
  if (!phones->empty() && phones->front() == "_") phones->erase(phones->begin());
  if (!phones->empty() && phones->back() == "_") phones->pop_back();
  return *phones;
}

// Levenshtein distance, with the edits of one cheapest alignment as "expected→got".
std::size_t edits(const Phones& want, const Phones& got, std::vector<std::string>& confusions) {
  const std::size_t n = want.size(), m = got.size();
  std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
  for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= n; ++i)
    for (std::size_t j = 1; j <= m; ++j)
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (want[i - 1] == got[j - 1] ? 0 : 1)});
  for (std::size_t i = n, j = m; i > 0 || j > 0;) {
    if (i > 0 && j > 0 && d[i][j] == d[i - 1][j - 1] + (want[i - 1] == got[j - 1] ? 0 : 1)) {
      if (want[i - 1] != got[j - 1]) confusions.push_back(want[i - 1] + "→" + got[j - 1]);
      --i, --j;
    } else if (i > 0 && d[i][j] == d[i - 1][j] + 1) {
      confusions.push_back(want[i - 1] + "→∅");
      --i;
    } else {
      confusions.push_back("∅→" + got[j - 1]);
      --j;
    }
  }
  return d[n][m];
}

struct Score {
  std::size_t words = 0, words_right = 0, sentences = 0, sentences_right = 0;
  std::size_t phones = 0, errors = 0;
  std::map<std::string, int> confusions;
  double word_share() const { return static_cast<double>(words_right) / static_cast<double>(words); }
  double phone_error_rate() const { return static_cast<double>(errors) / static_cast<double>(phones); }
};

Score score(const std::vector<Entry>& entries, const TranscriptionOptions& options, bool print) {
  Score s;
  for (const Entry& e : entries) {
    const Transcription t = transcribe(e.spelling, options);
    // The table holds phones: the stress marks are checked elsewhere.
    const std::string got =
        t.status == Transcription::Status::ok ? synthesis::strip_stress_marks(t.sampa).text : "(" + message(t) + ")";
    const bool right = got == e.expected;
    (e.sentence ? s.sentences : s.words) += 1;
    (e.sentence ? s.sentences_right : s.words_right) += right ? 1 : 0;
    std::vector<std::string> confusions;
    const Phones want = measured(e.expected);
    s.phones += want.size();
    s.errors += edits(want, measured(got), confusions);
    for (const auto& c : confusions) ++s.confusions[c];
    if (print && !right)
      std::cout << "  " << e.spelling << ": esperado " << e.expected << ", obtido " << got << '\n';
  }
  return s;
}

void report(const char* title, const Score& s) {
  std::cout << title << ": palavras exactas " << s.words_right << "/" << s.words << " ("
            << 100.0 * s.word_share() << " %), frases exactas " << s.sentences_right << "/" << s.sentences
            << ", taxa de erro de fones " << s.errors << "/" << s.phones << " (" << 100.0 * s.phone_error_rate()
            << " %)\n";
  std::vector<std::pair<std::string, int>> ranked(s.confusions.begin(), s.confusions.end());
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  std::cout << "  confusões mais frequentes:";
  for (std::size_t k = 0; k < ranked.size() && k < 10; ++k) std::cout << "  " << ranked[k].first << " ×" << ranked[k].second;
  std::cout << '\n';
}

TEST(TranscriptionTable, HoldsEnoughCheckedEntries) {
  const auto entries = table();
  const auto words = std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return !e.sentence; });
  EXPECT_GE(words, 60);
  EXPECT_GE(static_cast<long>(entries.size()) - words, 15);
  for (const Entry& e : entries) {
    const auto phones = split_phones(e.expected.substr(0, e.expected.find_last_not_of(".!?") + 1));
    EXPECT_TRUE(phones) << e.spelling << ": " << e.expected << " is not made of inventory phones";
    EXPECT_TRUE(e.expected.starts_with("_")) << e.spelling;
  }
}

TEST(TranscriptionTable, MostWordsComeOutExactlyRightWithFewPhoneErrors) {
  const auto entries = table();
  std::cout << "Diferenças do transcritor:\n";
  const Score with = score(entries, {}, true);
  report("Transcritor", with);
  // What the front end's reading and the code rules achieve alone, for comparison.
  report("Sem a lista de excepções", score(entries, {.exceptions = false}, false));
  EXPECT_GE(with.word_share(), 0.95);
  EXPECT_LE(with.phone_error_rate(), 0.05);
}

TEST(TranscriptionTable, EveryTranscriptionIsAnalysedOnTheDefaultDatabase) {
  const fs::path app = fs::path(QUELVARA_BINARY_DIR) / "app";
  if (!fs::exists(app / "bd-index.txt")) GTEST_SKIP() << "the build made no default database";
  for (const Entry& e : table()) {
    const Transcription t = transcribe(e.spelling);
    ASSERT_EQ(t.status, Transcription::Status::ok) << e.spelling;
    const synthesis::Analysis analysis = synthesis::analyse(t.sampa, runtime::read_unit_file, app);
    EXPECT_EQ(analysis.status, synthesis::Analysis::Status::ok)
        << e.spelling << " → " << t.sampa << ": " << (analysis.failed ? analysis.failed->dif : "");
    EXPECT_FALSE(analysis.joined.orig.empty()) << e.spelling;
  }
}

}  // namespace
}  // namespace quelvara::transcription
