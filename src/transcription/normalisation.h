#pragma once
// Written Portuguese made into the words a Lisbon speaker reads it as: numbers, ordinals, money,
// units, times, dates, Roman numerals, abbreviations, acronyms and symbols. The words then take
// the one road of transcription, as if they had been typed.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "transcription/normalisation_tables.h"
#include "transcription/number_words.h"
#include "transcription/spelling.h"

namespace quelvara::transcription {

struct NormalisedWord {
  std::string text;
  std::size_t position = 0;  // of the first character of what it was read from, counted from 1
  bool typed = false;        // text is the user's own, character for character from position
};

// A written form and the words it was read as ("1.º" -> "primeiro").
struct Rewrite {
  std::string written, said;
};

struct NormalisedPhrase {
  std::vector<NormalisedWord> words;
  std::vector<Rewrite> rewrites;
};

class Normaliser {
 public:
  Normaliser(NumberWords numbers, NormalisationTables tables);

  // The normaliser of the compiled-in tables.
  static const Normaliser& compiled();

  // What the period after word is (word given with it), for the spelling reader.
  PeriodUse period_use(std::string_view word) const { return tables_.period_use(word); }

  NormalisedPhrase normalise(const Phrase& phrase) const;

  const NumberWords& numbers() const { return numbers_; }
  const NormalisationTables& tables() const { return tables_; }

 private:
  NumberWords numbers_;
  NormalisationTables tables_;
};

}  // namespace quelvara::transcription
