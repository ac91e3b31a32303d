#pragma once
// The tables that written forms are read with: abbreviations, units and currencies, symbols,
// the gender of nouns and names, and the names of letters with the acronyms.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "transcription/number_words.h"
#include "transcription/spelling.h"

namespace quelvara::transcription {

struct Abbreviation {
  std::vector<std::string> written;  // its words as the table writes them ("p.", "ex.")
  std::string masculine, feminine;   // what it is read as; they differ when the next word chooses
  bool ends = false;                 // may end a sentence
  bool century = false;              // a Roman numeral after it is a cardinal
};

struct Unit {
  std::string singular, plural;
  Gender gender = Gender::masculine;
  bool currency = false;      // may stand before the number
  std::string cent, cents;    // a currency's hundredth; empty when it has none
};

class NormalisationTables {
 public:
  // Throws std::runtime_error naming the table and line of a malformed row.
  static NormalisationTables read(std::string_view abbreviations, std::string_view units, std::string_view symbols,
                                  std::string_view genders, std::string_view acronyms);

  // The longest abbreviation whose written words are the first words of words (as typed).
  const Abbreviation* abbreviation(const std::vector<std::string_view>& words) const;
  // What the period after word is; word is given with that period ("Sr.", "etc.").
  PeriodUse period_use(std::string_view word) const;
  const Unit* unit(std::string_view symbol) const;  // case counts: m (metre), M
  const Words* symbol(std::string_view symbol) const;
  Gender gender(std::string_view word) const;
  // The words an acronym (a word of capitals) is said as; nullopt for any other word.
  std::optional<Words> acronym(std::string_view word) const;
  // The names of the letters of word, one a letter; nullopt when one is not a letter.
  std::optional<Words> letter_names(std::string_view word) const;

 private:
  std::vector<Abbreviation> abbreviations_;
  std::unordered_map<std::string, std::vector<std::size_t>> abbreviations_by_first_;  // lower case
  std::unordered_map<std::string, std::pair<std::string, PeriodUse>> periods_;  // by lower case
  std::unordered_map<std::string, Unit> units_;
  std::unordered_map<std::string, Words> symbols_;
  std::unordered_map<std::string, Gender> genders_;
  std::unordered_map<std::string, std::string> letters_;
  std::unordered_map<std::string, std::string> acronyms_;  // "letters", "word" or the words
};

}  // namespace quelvara::transcription
