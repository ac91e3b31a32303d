#include "transcription/normalisation.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "transcription/table_rows.h"
#include "transcription/tables.h"

namespace quelvara::transcription {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_word_mark(char32_t c) { return c == '\'' || c == 0x2019 || c == '-'; }

std::string joined(const Words& words) {
  std::string text;
  for (const auto& w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

void append(Words& words, const Words& more) { words.insert(words.end(), more.begin(), more.end()); }

// A number as written at the start of a text: a sign, digits perhaps in groups of three after
// periods (1.000.000), and decimals after a comma.
struct WrittenNumber {
  bool negative = false;
  bool plus = false;                    // written with a plus sign
  std::string integer;                  // its digits, without the periods
  std::optional<std::string> decimals;  // the digits after the comma
  std::size_t length = 0;               // in bytes of the text
};

std::optional<WrittenNumber> leading_number(std::string_view text) {
  WrittenNumber n;
  std::size_t at = 0;
  if (text.starts_with("-") || text.starts_with("+")) at = 1;
  else if (text.starts_with("\u2212")) at = 3;
  n.negative = at > 0 && text[0] != '+';
  n.plus = at > 0 && text[0] == '+';
  const auto digits_end = [&](std::size_t from) {
    while (from < text.size() && is_digit(text[from])) ++from;
    return from;
  };
  std::size_t end = digits_end(at);
  if (end == at) return std::nullopt;
  n.integer = text.substr(at, end - at);
  if (n.integer.size() <= 3)
    while (end < text.size() && text[end] == '.' && digits_end(end + 1) == end + 4) {
      n.integer += text.substr(end + 1, 3);
      end += 4;
    }
  if (end + 1 < text.size() && text[end] == ',' && is_digit(text[end + 1])) {
    const std::size_t decimals_end = digits_end(end + 1);
    n.decimals = text.substr(end + 1, decimals_end - end - 1);
    end = decimals_end;
  }
  n.length = end;
  return n;
}

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), is_digit);
}

// The value of a run of at most twelve digits.
std::uint64_t value_of(std::string_view digits) {
  std::uint64_t value = 0;
  for (char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

// A piece of a phrase still to read: a word as typed, or part of one.
struct Piece {
  std::string text;     // as read: "1000" for "1 000"
  std::string written;  // as typed
  std::size_t position = 0;
  bool split = false;  // cut out of a longer word (A4, 3D): a lone letter there is its name
};

class Walk {
 public:
  Walk(const Normaliser& normaliser, const Phrase& phrase)
      : numbers_(normaliser.numbers()), tables_(normaliser.tables()) {
    for (const Token& t : phrase.words) pieces_.push_back({t.text, t.text, t.position});
  }

  NormalisedPhrase run() {
    while (at_ < pieces_.size()) step();
    return std::move(out_);
  }

 private:
  void step() {
    const bool century = century_next_;
    century_next_ = false;
    if (abbreviation() || currency_first() || number() || roman(century)) return;
    const Piece& piece = pieces_[at_];
    std::string_view text = piece.text;
    // A capital and a period that make no abbreviation are an initial (Maria V. Costa).
    if (text.size() == 2 && text.back() == '.' && is_capital(static_cast<unsigned char>(text[0])))
      return said(1, *tables_.letter_names(text.substr(0, 1)));
    if (const Words* words = tables_.symbol(text)) return said(1, *words);
    if (const auto words = tables_.acronym(text)) return said(1, *words);
    if (split_mixed()) return;
    // A lone letter is said by its name (the letter R, A4, a+b), unless it is a word (a, e, o)
    // standing on its own.
    const std::string lower = lower_case(text);
    if (piece.split || (lower != "a" && lower != "e" && lower != "o"))
      if (const auto name = tables_.letter_names(text); name && name->size() == 1) return said(1, *name);
    // Marks alone (a stray hyphen) say nothing.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || c == '\''; })) return skip();
    typed();
  }

  // The pieces from at_ on, count of them, read as words.
  void said(std::size_t count, const Words& words) {
    std::string written;
    for (std::size_t k = at_; k < at_ + count; ++k) written += (written.empty() ? "" : " ") + pieces_[k].written;
    const std::string said = joined(words);
    if (said != written) out_.rewrites.push_back({written, said});
    for (const auto& w : words) out_.words.push_back({w, pieces_[at_].position, false});
    previous_ = pieces_[at_ + count - 1].text;
    at_ += count;
  }

  void skip() { ++at_; }

  void typed() {
    out_.words.push_back({pieces_[at_].text, pieces_[at_].position, true});
    previous_ = pieces_[at_].text;
    ++at_;
  }

  const Piece* next(std::size_t after = 1) const {
    return at_ + after < pieces_.size() ? &pieces_[at_ + after] : nullptr;
  }

  static bool is_word(const Piece* piece) {
    if (!piece) return false;
    const auto chars = decode_utf8(piece->text);
    return !chars.empty() && std::all_of(chars.begin(), chars.end(), [](const Character& c) {
      return c.valid && (is_letter(c.code) || is_word_mark(c.code));
    });
  }

  Gender gender_of(const Piece* piece) const {
    return is_word(piece) ? tables_.gender(piece->text) : Gender::masculine;
  }

  // Abbreviations, the longest first: "p. ex.", "Sr.ª", "D." (Dom or Dona by the next word).
  bool abbreviation() {
    std::vector<std::string_view> words;
    for (std::size_t k = at_; k < pieces_.size() && words.size() < 4; ++k) words.push_back(pieces_[k].text);
    const Abbreviation* a = tables_.abbreviation(words);
    if (!a) return false;
    const std::size_t count = a->written.size();
    const bool feminine = a->feminine != a->masculine && gender_of(next(count)) == Gender::feminine;
    said(count, words_of(feminine ? a->feminine : a->masculine));
    century_next_ = a->century;
    return true;
  }

  // A currency before its number: "€ 10", "€10", "US$ 5".
  bool currency_first() {
    const std::string& text = pieces_[at_].text;
    for (std::size_t length = std::min<std::size_t>(text.size(), 4); length > 0; --length) {
      const Unit* unit = tables_.unit(std::string_view(text).substr(0, length));
      if (!unit || !unit->currency) continue;
      if (length < text.size()) {
        const auto n = leading_number(std::string_view(text).substr(length));
        if (!n || n->length != text.size() - length) return false;
        said(1, quantity(*n, *unit));
        return true;
      }
      const Piece* amount = next();
      const auto n = amount ? leading_number(amount->text) : std::nullopt;
      if (!n || n->length != amount->text.size()) return false;
      said(2, quantity(*n, *unit));
      return true;
    }
    return false;
  }

  // Thousands written with blanks: "1 000 000" is one number.
  void join_groups() {
    Piece& piece = pieces_[at_];
    if (!all_digits(piece.text) || piece.text.size() > 3 || piece.text[0] == '0') return;
    while (const Piece* group = next()) {
      const auto n = leading_number(group->text);
      if (!n || n->integer.size() != 3 || group->text[0] < '0' || group->text[0] > '9' ||
          (n->length < group->text.size() && group->text[n->length] == '.'))
        return;
      piece.text += group->text;
      piece.written += " " + group->written;
      const bool more = n->length == group->text.size() && !n->decimals;
      pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(at_ + 1));
      if (!more) return;
    }
  }

  bool number() {
    if (!leading_number(pieces_[at_].text)) return false;
    join_groups();
    const std::string text = pieces_[at_].text;
    const WrittenNumber n = *leading_number(text);
    const std::string_view rest = std::string_view(text).substr(n.length);
    const bool whole = !n.negative && !n.plus && !n.decimals;
    const Piece* after = next();

    if (rest.empty()) {
      if (const Unit* unit = after ? tables_.unit(after->text) : nullptr) {
        said(2, quantity(n, *unit));
        return true;
      }
      Words words = number_words(n, gender_of(after));
      // "3 000 000 habitantes": três milhões de habitantes.
      if (is_word(after) && after->text != numbers_.word("of")) of_after_millions(words);
      said(1, words);
      return true;
    }
    if (whole) {
      if (const auto words = ordinal(n.integer, rest)) return said(1, *words), true;
      if (const auto words = time(n.integer, rest)) return said(1, *words), true;
      if (auto words = date_or_fraction(n.integer, rest)) {
        // A range takes the unit after it: "10-15 km".
        const Unit* unit = rest[0] == '-' && after ? tables_.unit(after->text) : nullptr;
        if (unit) append(*words, words_of(unit->plural));
        return said(unit ? 2 : 1, *words), true;
      }
    }
    if (const Unit* unit = tables_.unit(rest)) return said(1, quantity(n, *unit)), true;
    // A point that is no thousands separator: "1.5" is "um ponto cinco".
    if (rest.size() > 1 && rest[0] == '.' && all_digits(rest.substr(1)) && !n.decimals) {
      Words words = number_words(n, Gender::masculine);
      words.push_back(numbers_.word("point"));
      append(words, integer_words(std::string(rest.substr(1)), Gender::masculine));
      return said(1, words), true;
    }
    // Something else after the number (3D, 10x): the number, then the rest on its own.
    Piece& piece = pieces_[at_];
    const std::size_t characters = decode_utf8(text.substr(0, n.length)).size();
    Piece tail{std::string(rest), std::string(rest), piece.position + characters, true};
    piece.text = piece.written = text.substr(0, n.length);
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(at_ + 1), std::move(tail));
    return true;
  }

  // 1.º 1º 1.ª 2.os 2.as
  std::optional<Words> ordinal(const std::string& digits, std::string_view sign) const {
    static constexpr std::tuple<std::string_view, Gender, bool> signs[] = {
        {".º", Gender::masculine, false}, {"º", Gender::masculine, false}, {".ª", Gender::feminine, false},
        {"ª", Gender::feminine, false},   {".os", Gender::masculine, true}, {".as", Gender::feminine, true},
        {"os", Gender::masculine, true},  {"as", Gender::feminine, true}};
    for (const auto& [written, gender, plural] : signs)
      if (sign == written && digits.size() <= 4 && digits[0] != '0')
        return numbers_.ordinal(value_of(digits), gender, plural);
    return std::nullopt;
  }

  // 14h30 14h 14:30 (hours are feminine: "uma e trinta", "duas horas").
  std::optional<Words> time(const std::string& hours, std::string_view rest) const {
    if (hours.size() > 2 || value_of(hours) > 24 || rest.empty() || (rest[0] != 'h' && rest[0] != ':'))
      return std::nullopt;
    std::string_view minutes = rest.substr(1);
    // 14h30m and 14h30min say no more than 14h30.
    if (rest[0] == 'h' && minutes.size() > 2 && (minutes.substr(2) == "m" || minutes.substr(2) == "min"))
      minutes = minutes.substr(0, 2);
    if (!(minutes.empty() && rest[0] == 'h') && !(minutes.size() == 2 && all_digits(minutes) && value_of(minutes) < 60))
      return std::nullopt;
    Words words = numbers_.cardinal(value_of(hours), Gender::feminine);
    if (minutes.empty() || value_of(minutes) == 0) {
      const Unit* hour = tables_.unit("h");
      if (hour) words.push_back(value_of(hours) == 1 ? hour->singular : hour->plural);
    } else {
      words.push_back(numbers_.word("and"));
      append(words, numbers_.cardinal(value_of(minutes)));
    }
    return words;
  }

  // 25/04/1974 25-04-1974 25.04.1974 25/04; otherwise 3/4 is a fraction and 10-15 a range.
  std::optional<Words> date_or_fraction(const std::string& first, std::string_view rest) const {
    const char separator = rest[0];
    if (separator != '/' && separator != '-' && separator != '.') return std::nullopt;
    const std::string_view after = rest.substr(1);
    const std::size_t cut = after.find(separator);
    const std::string_view second = after.substr(0, cut);
    const std::string_view year = cut == std::string_view::npos ? std::string_view() : after.substr(cut + 1);
    if (!all_digits(second) || second.size() > 12 || (cut != std::string_view::npos && !all_digits(year)))
      return std::nullopt;
    const std::uint64_t day = value_of(first), month = value_of(second);
    const bool dated = first.size() <= 2 && second.size() <= 2 && day >= 1 && day <= 31 && month >= 1 && month <= 12;
    if (dated && (year.size() == 2 || year.size() == 4 || (year.empty() && separator == '/' && first.size() == 2 &&
                                                           second.size() == 2))) {
      Words words = numbers_.cardinal(day);
      words.push_back(numbers_.word("of"));
      words.push_back(numbers_.month(static_cast<int>(month)));
      if (!year.empty()) {
        words.push_back(numbers_.word("of"));
        append(words, integer_words(std::string(year), Gender::masculine));
      }
      return words;
    }
    if (!year.empty() || separator == '.') return std::nullopt;
    Words words = integer_words(first, Gender::masculine);
    if (separator == '-') {
      words.push_back(numbers_.word("to"));
      append(words, integer_words(std::string(second), Gender::masculine));
      return words;
    }
    if (const auto denominator = numbers_.denominator(month, day != 1); denominator && second[0] != '0') {
      words.push_back(*denominator);
      return words;
    }
    words.push_back(numbers_.word("over"));
    append(words, integer_words(std::string(second), Gender::masculine));
    return words;
  }

  // Roman numerals: a cardinal after séc. or século ("século vinte e um"); after a name, an
  // ordinal up to ten and a cardinal beyond ("D. João Quinto", "Luís Catorze"); before a name,
  // an ordinal ("II Guerra Mundial"); elsewhere, made of I, V and X, a cardinal (capítulo III).
  bool roman(bool century) {
    const std::string& text = pieces_[at_].text;
    const auto value = roman_value(text);
    if (!value) return false;
    const std::string before = lower_case(previous_);
    const auto is_name = [](const std::string& word) {
      const auto chars = decode_utf8(word);
      return chars.size() >= 2 && is_capital(chars[0].code) && !is_capital(chars[1].code) &&
             std::all_of(chars.begin(), chars.end(), [](const Character& c) { return is_letter(c.code); });
    };
    // Kings and popes do not go past the thirties; "Vitamina C" is no king.
    const bool regnal = *value <= 39;
    const auto ordinal_or_cardinal = [&](Gender gender) {
      return *value <= 10 ? *numbers_.ordinal(static_cast<std::uint64_t>(*value), gender)
                          : numbers_.cardinal(static_cast<std::uint64_t>(*value));
    };
    if (century || before == "século" || before == "séculos") {
      said(1, numbers_.cardinal(static_cast<std::uint64_t>(*value)));
    } else if (regnal && is_name(previous_)) {
      said(1, ordinal_or_cardinal(tables_.gender(previous_)));
    } else if (regnal && next() && is_name(next()->text)) {
      said(1, ordinal_or_cardinal(tables_.gender(next()->text)));
    } else if (text.size() > 1 && text.find_first_not_of("IVX") == std::string::npos) {
      said(1, numbers_.cardinal(static_cast<std::uint64_t>(*value)));
    } else {
      return false;
    }
    return true;
  }

  // A word with digits or symbols in it (A4, COVID-19, a+b) is read piece by piece: runs of
  // letters, runs of digits and single symbols; hyphens and other marks between them go.
  bool split_mixed() {
    const Piece& piece = pieces_[at_];
    const auto chars = decode_utf8(piece.text);
    const auto kind = [](const Character& c) {
      if (!c.valid) return 3;
      if (is_letter(c.code) || c.code == '\'' || c.code == 0x2019) return 0;
      if (c.code < 0x80 && is_digit(static_cast<char>(c.code))) return 1;
      if (c.code == '-' || c.code == '.' || c.code == ',' || c.code == ':' || c.code == ';') return 2;
      return 3;
    };
    if (std::all_of(chars.begin(), chars.end(), [&](const Character& c) { return kind(c) == 0 || c.code == '-'; }))
      return false;
    std::vector<Piece> parts;
    // An abbreviation glued to its number (nº5, pág.12) is cut where the digits begin.
    const std::size_t digit = piece.text.find_first_of("0123456789");
    const std::string_view head = std::string_view(piece.text).substr(0, digit);
    const bool glued = digit != std::string::npos && digit > 0 && tables_.abbreviation({head});
    if (glued) {
      const std::string first(head), rest = piece.text.substr(digit);
      parts = {{first, first, piece.position, true}, {rest, rest, piece.position + decode_utf8(head).size(), true}};
    }
    for (std::size_t k = 0; !glued && k < chars.size();) {
      const int k_kind = kind(chars[k]);
      std::size_t end = k + 1;
      if (k_kind == 0 || k_kind == 1) {
        while (end < chars.size() && (kind(chars[end]) == k_kind ||
                                      // a hyphen inside letters, a mark inside digits
                                      (end + 1 < chars.size() && kind(chars[end + 1]) == k_kind &&
                                       (k_kind == 0 ? chars[end].code == '-' : kind(chars[end]) == 2))))
          ++end;
      }
      if (k_kind != 2) {
        const std::size_t from = chars[k].offset;
        const std::size_t to = end < chars.size() ? chars[end].offset : piece.text.size();
        std::string text = piece.text.substr(from, to - from);
        parts.push_back({text, text, piece.position + k, true});
      }
      k = end;
    }
    if (parts.size() == 1 && parts[0].text == piece.text) return false;
    if (parts.empty()) parts.push_back({piece.text, piece.written, piece.position, piece.split});
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(at_));
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(at_), parts.begin(), parts.end());
    return true;
  }

  // Digits as a number, or one by one when they start with a zero (007) or are too many.
  Words integer_words(const std::string& digits, Gender gender) const {
    if ((digits.size() > 1 && digits[0] == '0') || digits.size() > 12) return numbers_.digits(digits);
    return numbers_.cardinal(value_of(digits), gender);
  }

  Words number_words(const WrittenNumber& n, Gender gender) const {
    Words words;
    if (n.negative) words.push_back(numbers_.word("minus"));
    if (n.plus) words.push_back(numbers_.word("plus"));
    append(words, integer_words(n.integer, gender));
    if (n.decimals) {
      words.push_back(numbers_.word("comma"));
      const std::size_t zeros = std::min(n.decimals->find_first_not_of('0'), n.decimals->size());
      append(words, numbers_.digits(n.decimals->substr(0, zeros)));
      if (zeros < n.decimals->size()) append(words, integer_words(n.decimals->substr(zeros), Gender::masculine));
    }
    return words;
  }

  void of_after_millions(Words& words) const {
    if (!words.empty() && numbers_.is_million(words.back())) words.push_back(numbers_.word("of"));
  }

  // A number and its unit or currency: "1,5 kg", "10,50 €".
  Words quantity(const WrittenNumber& n, const Unit& unit) const {
    const bool one = n.integer == "1" && !n.decimals;
    if (!unit.currency || unit.cent.empty() || !n.decimals || n.decimals->size() > 2) {
      Words words = number_words(n, unit.gender);
      of_after_millions(words);
      append(words, words_of(one ? unit.singular : unit.plural));
      return words;
    }
    std::string cents = *n.decimals;
    if (cents.size() == 1) cents += '0';
    const bool whole = n.integer.find_first_not_of('0') != std::string::npos;
    const bool parts = cents != "00";
    Words words;
    if (n.negative) words.push_back(numbers_.word("minus"));
    if (whole || !parts) {
      append(words, integer_words(n.integer, unit.gender));
      of_after_millions(words);
      append(words, words_of(n.integer == "1" ? unit.singular : unit.plural));
    }
    if (parts) {
      if (whole) words.push_back(numbers_.word("and"));
      append(words, numbers_.cardinal(value_of(cents)));
      words.push_back(cents == "01" ? unit.cent : unit.cents);
    }
    return words;
  }

  const NumberWords& numbers_;
  const NormalisationTables& tables_;
  std::vector<Piece> pieces_;
  std::size_t at_ = 0;
  NormalisedPhrase out_;
  bool century_next_ = false;
  std::string previous_;  // the last piece read, as read
};

}  // namespace

Normaliser::Normaliser(NumberWords numbers, NormalisationTables tables)
    : numbers_(std::move(numbers)), tables_(std::move(tables)) {}

const Normaliser& Normaliser::compiled() {
  static const Normaliser normaliser(NumberWords::read(tables::numbers),
                                     NormalisationTables::read(tables::abbreviations, tables::units, tables::symbols,
                                                               tables::genders, tables::acronyms));
  return normaliser;
}

NormalisedPhrase Normaliser::normalise(const Phrase& phrase) const { return Walk(*this, phrase).run(); }

}  // namespace quelvara::transcription
