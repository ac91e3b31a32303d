#include "transcription/normalisation_tables.h"

#include <algorithm>
#include <stdexcept>

#include "transcription/spelling.h"
#include "transcription/table_rows.h"

namespace quelvara::transcription {
namespace {

Gender gender_of(const std::string& text) {
  if (text == "m") return Gender::masculine;
  if (text == "f") return Gender::feminine;
  throw std::runtime_error("gender '" + text + "' is neither m nor f");
}

bool ends_with(std::string_view word, std::string_view ending) {
  return word.size() > ending.size() && word.ends_with(ending);
}

bool is_vowel_letter(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

// Two consonants that can begin a Portuguese syllable.
bool onset_pair(char first, char second) {
  if ((second == 'l' || second == 'r') && std::string_view("pbtdckgfv").find(first) != std::string_view::npos)
    return true;
  return (second == 'h' && (first == 'c' || first == 'l' || first == 'n')) ||
         (second == 'u' && (first == 'q' || first == 'g'));
}

bool coda(char c) { return std::string_view("lrsmnxz").find(c) != std::string_view::npos; }

// Whether letters (lower case) make Portuguese syllables, so that an acronym of them is said
// as a word: a consonant cluster inside is a coda and an onset, at the start an onset, at the
// end a single consonant; vowels come in ones and twos.
bool sayable_as_word(std::string_view letters) {
  if (letters.size() < 3) return false;
  if (!std::any_of(letters.begin(), letters.end(), is_vowel_letter)) return false;
  if (std::all_of(letters.begin(), letters.end(), is_vowel_letter)) return false;
  std::size_t at = 0;
  bool first = true;
  while (at < letters.size()) {
    std::size_t end = at;
    const bool vowels = is_vowel_letter(letters[at]);
    while (end < letters.size() && is_vowel_letter(letters[end]) == vowels) ++end;
    const std::string_view run = letters.substr(at, end - at);
    const bool last = end == letters.size();
    if (vowels) {
      if (run.size() > 2) return false;
    } else if (first) {
      if (run.size() > 2 || (run.size() == 2 && !onset_pair(run[0], run[1]))) return false;
    } else if (last) {
      if (run.size() > 1) return false;
    } else if (run.size() == 2) {
      if (!onset_pair(run[0], run[1]) && !coda(run[0])) return false;
    } else if (run.size() == 3) {
      if (!coda(run[0]) || !onset_pair(run[1], run[2])) return false;
    } else if (run.size() > 3) {
      return false;
    }
    first = false;
    at = end;
  }
  return true;
}

bool is_ascii_capital(char c) { return c >= 'A' && c <= 'Z'; }

// Abbreviations match in any case, except those of one letter ("D." is Dom, "d." is not).
bool same_word(std::string_view typed, std::string_view written) {
  const std::size_t letters = written.size() - (written.ends_with('.') ? 1 : 0);
  return letters == 1 ? typed == written : lower_case(typed) == lower_case(written);
}

}  // namespace

NormalisationTables NormalisationTables::read(std::string_view abbreviations, std::string_view units,
                                              std::string_view symbols, std::string_view genders,
                                              std::string_view acronyms) {
  NormalisationTables t;
  for_each_row(abbreviations, "abbreviation table", [&](const std::vector<std::string>& fields) {
    if (fields.size() < 2 || fields.size() > 3) throw std::runtime_error("expected written form, words and flags");
    Abbreviation a;
    a.written = words_of(fields[0]);
    const std::size_t bar = fields[1].find('|');
    a.masculine = fields[1].substr(0, bar);
    a.feminine = bar == std::string::npos ? a.masculine : fields[1].substr(bar + 1);
    if (a.written.empty() || words_of(a.masculine).empty() || words_of(a.feminine).empty())
      throw std::runtime_error("an abbreviation needs a written form and words");
    if (fields.size() == 3)
      for (const auto& flag : split(fields[2], ',')) {
        if (flag == "ends") a.ends = true;
        else if (flag == "century") a.century = true;
        else if (!flag.empty()) throw std::runtime_error("unknown flag '" + flag + "'");
      }
    // Every period of an abbreviation that ends one of its words belongs to it.
    for (const auto& word : a.written)
      if (word.back() == '.') {
        auto& [written, use] = t.periods_.try_emplace(lower_case(word), word, PeriodUse::abbreviation).first->second;
        if (a.ends && &word == &a.written.back()) use = PeriodUse::may_end;
      }
    t.abbreviations_by_first_[lower_case(a.written.front())].push_back(t.abbreviations_.size());
    t.abbreviations_.push_back(std::move(a));
  });
  for (auto& [first, indices] : t.abbreviations_by_first_)
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
      return t.abbreviations_[a].written.size() > t.abbreviations_[b].written.size();
    });

  for_each_row(units, "unit table", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 5 && fields.size() != 7) throw std::runtime_error("expected 5 or 7 fields");
    Unit u{fields[2], fields[3], gender_of(fields[4]), fields[0] == "currency", {}, {}};
    if (fields[0] != "unit" && fields[0] != "currency") throw std::runtime_error("unknown kind '" + fields[0] + "'");
    if (fields.size() == 7) {
      if (!u.currency) throw std::runtime_error("only a currency has cents");
      u.cent = fields[5];
      u.cents = fields[6];
    }
    if (fields[1].empty() || u.singular.empty() || u.plural.empty()) throw std::runtime_error("empty field");
    if (!t.units_.emplace(fields[1], std::move(u)).second) throw std::runtime_error("'" + fields[1] + "' listed twice");
  });

  for_each_row(symbols, "symbol table", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 2 || fields[0].empty() || words_of(fields[1]).empty())
      throw std::runtime_error("expected a symbol and its words");
    if (!t.symbols_.emplace(fields[0], words_of(fields[1])).second)
      throw std::runtime_error("'" + fields[0] + "' listed twice");
  });

  for_each_row(genders, "gender table", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 2 || fields[0].empty()) throw std::runtime_error("expected a word and its gender");
    if (!t.genders_.emplace(lower_case(fields[0]), gender_of(fields[1])).second)
      throw std::runtime_error("'" + fields[0] + "' listed twice");
  });

  for_each_row(acronyms, "acronym table", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 3 || fields[1].empty() || fields[2].empty())
      throw std::runtime_error("expected kind, written form and what is said");
    if (fields[0] == "letter") {
      if (!t.letters_.emplace(lower_case(fields[1]), fields[2]).second)
        throw std::runtime_error("'" + fields[1] + "' listed twice");
    } else if (fields[0] == "acronym") {
      if (!std::all_of(fields[1].begin(), fields[1].end(), is_ascii_capital))
        throw std::runtime_error("an acronym is written in capitals");
      if (!t.acronyms_.emplace(fields[1], fields[2]).second)
        throw std::runtime_error("'" + fields[1] + "' listed twice");
    } else {
      throw std::runtime_error("unknown kind '" + fields[0] + "'");
    }
  });
  for (char c = 'a'; c <= 'z'; ++c)
    if (!t.letters_.contains(std::string(1, c)))
      throw std::runtime_error(std::string("acronym table: no name for the letter ") + c);
  return t;
}

const Abbreviation* NormalisationTables::abbreviation(const std::vector<std::string_view>& words) const {
  if (words.empty()) return nullptr;
  const auto found = abbreviations_by_first_.find(lower_case(words.front()));
  if (found == abbreviations_by_first_.end()) return nullptr;
  for (std::size_t k : found->second) {
    const Abbreviation& a = abbreviations_[k];
    if (a.written.size() > words.size()) continue;
    bool same = true;
    for (std::size_t w = 0; w < a.written.size() && same; ++w) same = same_word(words[w], a.written[w]);
    if (same) return &a;
  }
  return nullptr;
}

PeriodUse NormalisationTables::period_use(std::string_view word) const {
  const auto found = periods_.find(lower_case(word));
  if (found == periods_.end() || !same_word(word, found->second.first)) return PeriodUse::ends_phrase;
  return found->second.second;
}

const Unit* NormalisationTables::unit(std::string_view symbol) const {
  const auto found = units_.find(std::string(symbol));
  return found == units_.end() ? nullptr : &found->second;
}

const Words* NormalisationTables::symbol(std::string_view symbol) const {
  const auto found = symbols_.find(std::string(symbol));
  return found == symbols_.end() ? nullptr : &found->second;
}

Gender NormalisationTables::gender(std::string_view word) const {
  const std::string lower = lower_case(word);
  const auto listed = [&](const std::string& w) -> std::optional<Gender> {
    const auto found = genders_.find(w);
    return found == genders_.end() ? std::nullopt : std::optional(found->second);
  };
  if (const auto g = listed(lower)) return *g;
  // A plural takes its singular's gender.
  static constexpr std::pair<std::string_view, std::string_view> plurals[] = {
      {"ões", "ão"}, {"ães", "ão"}, {"is", "l"}, {"es", ""}, {"s", ""}};
  for (const auto& [plural, singular] : plurals)
    if (ends_with(lower, plural))
      if (const auto g = listed(lower.substr(0, lower.size() - plural.size()) + std::string(singular))) return *g;
  static constexpr std::string_view feminine[] = {"a", "ção", "são", "dade", "gem", "ice", "ie",
                                                  "as", "ções", "sões", "dades", "gens", "ices", "ies"};
  for (std::string_view ending : feminine)
    if (lower.ends_with(ending)) return Gender::feminine;
  return Gender::masculine;
}

std::optional<Words> NormalisationTables::letter_names(std::string_view word) const {
  Words names;
  for (const Character& c : decode_utf8(lower_case(word))) {
    std::string letter;
    append_utf8(letter, c.code);
    const auto found = letters_.find(letter);
    if (!c.valid || found == letters_.end()) return std::nullopt;
    names.push_back(found->second);
  }
  return names;
}

std::optional<Words> NormalisationTables::acronym(std::string_view word) const {
  // Capitals, at least two, perhaps with a plural s (ONGs).
  const bool plural = word.size() > 2 && word.back() == 's';
  const std::string_view capitals = plural ? word.substr(0, word.size() - 1) : word;
  if (capitals.size() < 2 || !std::all_of(capitals.begin(), capitals.end(), is_ascii_capital)) return std::nullopt;
  const std::string lower = lower_case(capitals);
  std::string said = "word";
  if (const auto listed = acronyms_.find(std::string(capitals)); listed != acronyms_.end()) said = listed->second;
  else if (!sayable_as_word(lower)) said = "letters";
  Words words = said == "letters" ? *letter_names(lower) : said == "word" ? Words{lower} : words_of(said);
  if (plural) words.back() += 's';
  return words;
}

}  // namespace quelvara::transcription
