#pragma once
// The texts a voice is judged on: everyday European Portuguese words and sentences, and a sweep
// that puts every phone of the inventory at a join between two units.
#include <string>
#include <vector>

namespace quelvara::tools {

struct ListeningText {
  std::string sampa;  // as a user types it, e.g. "_s6patu_."
  std::string words;  // the spelling, for the reader of the report
};

// Everyday words and sentences; together they hold every stop and every voiceless fricative
// between vowels, every diphthong and the dark l.
const std::vector<ListeningText>& everyday_texts();

// For each phone but "_": one text in which it stands between two vowels (consonants) or two
// consonants (vowels), and one in other company.
std::vector<ListeningText> sweep_texts();

}  // namespace quelvara::tools
