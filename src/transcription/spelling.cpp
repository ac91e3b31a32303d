#include "transcription/spelling.h"

namespace quelvara::transcription {

std::vector<Character> decode_utf8(std::string_view text) {
  std::vector<Character> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    std::size_t size = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
    char32_t code = size == 1 ? byte : size == 2 ? (byte & 0x1F) : size == 3 ? (byte & 0x0F) : (byte & 0x07);
    bool valid = size != 0 && at + size <= text.size();
    for (std::size_t k = 1; valid && k < size; ++k) {
      const auto next = static_cast<unsigned char>(text[at + k]);
      if ((next >> 6) != 0x2) valid = false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past the last one are not characters.
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (code < least[size] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)) valid = false;
    if (!valid) {
      out.push_back({0xFFFD, at, 1, false});
      ++at;
      continue;
    }
    out.push_back({code, at, size, true});
    at += size;
  }
  return out;
}

std::string lower_case(std::string_view word) {
  // Byte by byte: the capitals A to Z, and U+00C0 to U+00DE but for U+00D7 (x), whose UTF-8
  // is 0xC3 followed by 0x80 to 0x9E; anything else, valid or not, stays as it is.
  std::string out(word);
  for (std::size_t k = 0; k < out.size(); ++k) {
    const auto byte = static_cast<unsigned char>(out[k]);
    if (byte >= 'A' && byte <= 'Z') {
      out[k] = static_cast<char>(byte + 0x20);
    } else if (byte == 0xC3 && k + 1 < out.size()) {
      const auto next = static_cast<unsigned char>(out[k + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) out[k + 1] = static_cast<char>(next + 0x20);
      ++k;
    }
  }
  return out;
}

bool is_letter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||
         (c >= 0x300 && c <= 0x36F);
}

bool is_capital(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }

namespace {

bool is_space(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0xA0 ||
         c == 0x2002 || c == 0x2003 || c == 0x2009 || c == 0x202F || c == 0x3000;
}
bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_quote(char32_t c) {
  return c == '"' || c == 0xAB || c == 0xBB || c == 0x201C || c == 0x201D || c == 0x201E || c == 0x2039 ||
         c == 0x203A || c == '`';
}
bool is_apostrophe(char32_t c) { return c == '\'' || c == 0x2018 || c == 0x2019; }
bool is_sentence_mark(char32_t c) { return c == '.' || c == '!' || c == '?'; }
// Always a pause: ellipsis, dashes, brackets, and the marks that are never part of a word.
bool always_pause(char32_t c) {
  return c == 0x2026 || c == 0x2013 || c == 0x2014 || c == '(' || c == ')' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '!' || c == '?' || c == 0xA1 || c == 0xBF;
}

}  // namespace

Spelling read_spelling(std::string_view text, const PeriodRule& periods) {
  Spelling spelling;
  spelling.characters = decode_utf8(text);
  const auto& chars = spelling.characters;
  const auto at = [&](std::size_t k) -> char32_t { return k < chars.size() ? chars[k].code : U' '; };

  Phrase phrase;
  Token token;
  const auto end_word = [&] {
    if (!token.characters.empty()) phrase.words.push_back(std::move(token));
    token = Token{};
  };
  const auto end_phrase = [&] {
    end_word();
    if (!phrase.words.empty()) spelling.phrases.push_back(std::move(phrase));
    phrase = Phrase{};
  };

  for (std::size_t k = 0; k < chars.size(); ++k) {
    const char32_t c = chars[k].code;
    const char32_t before = k > 0 ? chars[k - 1].code : U' ';
    const char32_t after = at(k + 1);
    if (!is_space(c)) spelling.blank = false;

    bool pause = false;
    bool separator = false;
    if (is_space(c) || is_quote(c)) {
      separator = true;
    } else if (is_apostrophe(c)) {
      // d'água keeps it; 'citação' does not.
      separator = token.characters.empty() || is_space(after) || is_quote(after) || is_apostrophe(after) ||
                  k + 1 == chars.size();
    } else if (always_pause(c)) {
      pause = true;
    } else if (c == ',' || c == ';' || c == ':') {
      pause = !(is_digit(before) && is_digit(after));
    } else if (c == '.') {
      // A full stop ends a phrase unless a word goes on right after it (1.000, www.sapo.pt).
      pause = token.characters.empty() || is_space(after) || is_quote(after) || is_sentence_mark(after) ||
              always_pause(after) || after == ',' || after == ';' || after == ':' || k + 1 == chars.size();
      const PeriodUse use = pause && !token.characters.empty() && periods
                                ? periods(token.text + ".")
                                : PeriodUse::ends_phrase;
      if (use != PeriodUse::ends_phrase) {
        token.characters.push_back(k);
        token.text += '.';
        // An abbreviation that may end the sentence does so before a capital or the end.
        std::size_t next = k + 1;
        while (next < chars.size() && (is_space(chars[next].code) || is_quote(chars[next].code))) ++next;
        pause = use == PeriodUse::may_end && (next == chars.size() || is_capital(chars[next].code));
        if (!pause) continue;
      }
    } else if (c == '-') {
      // A dash between blanks; a hyphen or a minus sign otherwise.
      pause = token.characters.empty() && (is_space(after) || k + 1 == chars.size());
    }

    if (pause) {
      end_phrase();
      if (is_sentence_mark(c)) spelling.final_mark = static_cast<char>(c);
      continue;
    }
    if (separator) {
      end_word();
      continue;
    }
    if (token.characters.empty()) {
      token.position = k + 1;
      spelling.final_mark = 0;  // a word after the mark: the mark was not final
    }
    token.characters.push_back(k);
    token.text.append(text.substr(chars[k].offset, chars[k].size));
  }
  end_phrase();
  return spelling;
}

}  // namespace quelvara::transcription
