#pragma once
// Reading the spelt text: characters with their positions, phrases cut at the punctuation that
// marks a pause, and the words of each phrase.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "synthesis/utf8.h"

namespace quelvara::transcription {

struct Character {
  char32_t code = 0;        // U+FFFD for a byte that is no valid UTF-8
  std::size_t offset = 0;   // in bytes
  std::size_t size = 0;     // in bytes
  bool valid = true;
};

// The characters of a UTF-8 text; a byte that starts no valid sequence is one invalid character.
std::vector<Character> decode_utf8(std::string_view text);

struct Token {
  std::string text;           // the word as typed
  std::size_t position = 0;   // of its first character, counted from 1
  std::vector<std::size_t> characters;  // indices into the decoded characters
};

struct Phrase {
  std::vector<Token> words;
};

struct Spelling {
  std::vector<Character> characters;
  std::vector<Phrase> phrases;  // phrases with no word are left out
  char final_mark = 0;          // '.', '!' or '?' when the text ends with one, else 0
  bool blank = true;            // nothing but white space
};

// What a period after a word is: given the word with that period ("Sr.").
enum class PeriodUse {
  ends_phrase,   // an ordinary full stop
  abbreviation,  // part of an abbreviation; the phrase goes on
  may_end,       // part of an abbreviation that also ends the sentence before a capital or the end
};
using PeriodRule = std::function<PeriodUse(std::string_view word)>;

// Cuts a text into phrases. Commas, semicolons, colons, full stops, question and exclamation
// marks, ellipses, dashes and brackets end a phrase; between digits (3,5  1.000  12:30) and
// inside a word (www.sapo.pt) they belong to the word, and so does the period of an
// abbreviation (as periods says). Quotation marks separate words and are not read; an
// apostrophe inside a word (d'água) belongs to it.
Spelling read_spelling(std::string_view text, const PeriodRule& periods = {});

// Lower case of a word, for the Latin letters Portuguese uses.
std::string lower_case(std::string_view word);

// Latin letters (with their accents and combining marks), and the capitals among them.
bool is_letter(char32_t c);
bool is_capital(char32_t c);

using synthesis::append_utf8;  // the UTF-8 form of one character

}  // namespace quelvara::transcription
