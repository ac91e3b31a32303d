#include "transcription/vowel_rules.h"

#include <algorithm>
#include <stdexcept>

#include "transcription/phone_sequence.h"
#include "transcription/table_rows.h"

namespace quelvara::transcription {
namespace {

using Phones = std::vector<std::string>;

bool consonant_letter(std::string_view spelling, std::size_t at) {
  if (at >= spelling.size()) return false;
  if (spelling.substr(at).starts_with("ç")) return true;
  return std::string_view("bcdfgjklmnpqrstvwxz").find(spelling[at]) != std::string_view::npos;
}

bool one_of(const std::string& phone, std::initializer_list<std::string_view> phones) {
  return std::find(phones.begin(), phones.end(), phone) != phones.end();
}

bool unstressed(const WordPhones& word, std::size_t at) { return !word.stressed || *word.stressed != at; }

void insert(WordPhones& word, std::size_t at, std::string phone) {
  word.phones.insert(word.phones.begin() + static_cast<std::ptrdiff_t>(at), std::move(phone));
  if (word.stressed && *word.stressed >= at) ++*word.stressed;
}

// The first syllable of words that begin with a vowel before the stress. The front end drops
// the e of es- and ex- before a consonant (escola, explicar), reduces the o after h (hospital,
// hotel) and writes [@] for an e that Lisbon says [i] (educação, exame).
void first_syllable(std::string_view spelling, WordPhones& word) {
  Phones& p = word.phones;
  if (p.empty()) return;
  const bool vowel_first = is_vowel(p[0]) && unstressed(word, 0);
  if (spelling.starts_with("ho") && consonant_letter(spelling, 2) && vowel_first &&
      one_of(p[0], {"u", "o"})) {
    p[0] = "O";
    return;
  }
  if (!spelling.starts_with("e")) return;
  const bool sibilant_first = one_of(p[0], {"S", "Z", "s", "z"});
  if (spelling.starts_with("es") && consonant_letter(spelling, 2)) {
    if (sibilant_first) insert(word, 0, "@");
    else if (vowel_first && p.size() > 1 && one_of(p[1], {"S", "Z"})) p[0] = "@";
    return;
  }
  if (spelling.starts_with("ex") && consonant_letter(spelling, 2)) {
    if (sibilant_first) insert(word, 0, "6j");
    else if (vowel_first && p.size() > 1 && one_of(p[1], {"S", "s"})) p[0] = "6j";
    else return;
    p[1] = "S";
    return;
  }
  // Any other e before a consonant is [i] (educação; exame is [iz]), but not before a nasal
  // coda (entrar).
  const bool nasal = (spelling.starts_with("em") || spelling.starts_with("en")) && consonant_letter(spelling, 2);
  if (!nasal && consonant_letter(spelling, 1) && vowel_first && one_of(p[0], {"@", "e", "E"})) p[0] = "i";
}

// An unstressed e before another vowel is [i] (reunião, as real and teatro already are).
void hiatus(WordPhones& word) {
  for (std::size_t k = 0; k + 1 < word.phones.size(); ++k)
    if (word.phones[k] == "@" && is_vowel(word.phones[k + 1]) && unstressed(word, k)) word.phones[k] = "i";
}

bool sibilant(const std::string& phone) { return one_of(phone, {"s", "z", "S", "Z"}); }

// The stressed vowel of a plural is that of its singular, which the front end gets right more
// often (horas beside hora, vozes beside voz, metros beside metro). Only a plural in -os may
// open a close vowel (ovo, ovos): there an open singular is followed, a close one is not.
void plural(std::string_view spelling, WordPhones& word, const VowelRules::Reader& read) {
  if (!word.stressed || spelling.size() < 4 || spelling.back() != 's') return;
  const bool metaphony = spelling.ends_with("os");
  if (!metaphony && !spelling.ends_with("as") && !spelling.ends_with("es")) return;
  const std::size_t at = *word.stressed;
  const auto quality = [](const std::string& phone) { return one_of(phone, {"e", "E", "o", "O", "a", "6"}); };
  if (!quality(word.phones[at])) return;
  // -es follows a singular in r, z, s or n (cores, vozes); -s any other (redes, horas).
  const char before = spelling[spelling.size() - 3];
  const bool consonant = spelling.ends_with("es") && std::string_view("rzsn").find(before) != std::string_view::npos;
  const auto singular = read(spelling.substr(0, spelling.size() - (consonant ? 2 : 1)));
  if (!singular || singular->stressed != word.stressed || singular->phones.size() > word.phones.size()) return;
  for (std::size_t k = 0; k < singular->phones.size(); ++k) {
    const std::string &mine = word.phones[k], &theirs = singular->phones[k];
    if (k != at && mine != theirs && !(sibilant(mine) && sibilant(theirs))) return;
  }
  const std::string& vowel = singular->phones[at];
  if (quality(vowel) && (!metaphony || one_of(vowel, {"E", "O", "a"}))) word.phones[at] = vowel;
}

// A word derived from another keeps the stressed open vowel of its stem under a secondary
// stress (certamente from certa, novecentos from nove).
void derived(std::string_view spelling, WordPhones& word, const VowelRules::Reader& read) {
  static constexpr std::string_view suffixes[] = {"mente", "centos", "centas"};
  for (std::string_view suffix : suffixes) {
    if (!spelling.ends_with(suffix) || spelling.size() < suffix.size() + 3) continue;
    const auto stem = read(spelling.substr(0, spelling.size() - suffix.size()));
    const auto ending = read(suffix);
    if (!stem || !ending || !stem->stressed || !ending->stressed || stem->phones.empty()) return;
    if (!one_of(stem->phones[*stem->stressed], {"E", "O", "a", "6j"})) return;
    Phones phones = stem->phones;
    // A sibilant at the end of the stem is said as before any consonant.
    if (phones.back() == "S" && is_voiced_consonant(ending->phones.front())) phones.back() = "Z";
    word.stressed = phones.size() + *ending->stressed;
    phones.insert(phones.end(), ending->phones.begin(), ending->phones.end());
    word.phones = std::move(phones);
    return;
  }
}

}  // namespace

VowelRules VowelRules::read(std::string_view endings) {
  VowelRules rules;
  for_each_row(endings, "vowel ending table", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 3 || fields[0].empty()) throw std::runtime_error("expected an ending and two vowels");
    for (const auto& vowel : {fields[1], fields[2]})
      if (!is_vowel(vowel)) throw std::runtime_error("'" + vowel + "' is not a vowel of the inventory");
    rules.endings_.push_back({fields[0], fields[1], fields[2]});
  });
  return rules;
}

void VowelRules::apply(std::string_view spelling, WordPhones& word, const Reader& read) const {
  first_syllable(spelling, word);
  hiatus(word);
  if (word.stressed)
    for (const Ending& e : endings_)
      if (spelling.size() > e.ending.size() && spelling.ends_with(e.ending) && word.phones[*word.stressed] == e.from) {
        word.phones[*word.stressed] = e.to;
        break;
      }
  plural(spelling, word, read);
  derived(spelling, word, read);
}

}  // namespace quelvara::transcription
