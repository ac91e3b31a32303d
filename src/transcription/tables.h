#pragma once
// The transcription tables, compiled in from their text files by the build.
#include <string_view>

namespace quelvara::transcription::tables {

extern const std::string_view donor_codes;     // donor-codes.tsv: what the front end writes
extern const std::string_view builder_phones;  // the database builder's phone -> codes table
extern const std::string_view exceptions;      // exceptions.tsv: words spelt -> transcription
extern const std::string_view vowel_endings;   // vowel-endings.tsv: stressed vowels by word ending
extern const std::string_view numbers;         // numbers.tsv: the words of cardinals and ordinals
extern const std::string_view abbreviations;   // abbreviations.tsv: abbreviations and their words
extern const std::string_view units;           // units.tsv: units and currencies after a number
extern const std::string_view symbols;         // symbols.tsv: symbols said as words
extern const std::string_view genders;         // genders.tsv: nouns and names against the default gender
extern const std::string_view acronyms;        // acronyms.tsv: letter names, acronyms against the default

}  // namespace quelvara::transcription::tables
