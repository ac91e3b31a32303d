#include "transcription/transcriber.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "synthesis/stress_marks.h"
#include "transcription/phone_sequence.h"
#include "transcription/spelling.h"
#include "transcription/word_reading.h"

namespace quelvara::transcription {
namespace {

bool is_control(char32_t c) {
  return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || (c >= 0x7F && c <= 0x9F);
}

bool is_emoji(char32_t c) {
  return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2600 && c <= 0x27BF) || (c >= 0x1F1E6 && c <= 0x1F1FF) ||
         c == 0xFE0F || c == 0x200D || (c >= 0x2B00 && c <= 0x2BFF);
}

// Characters no text means: bytes that are no UTF-8, control characters and emoji.
std::vector<Problem> invalid_characters(const std::vector<Character>& characters) {
  std::vector<Problem> problems;
  for (std::size_t k = 0; k < characters.size(); ++k) {
    const Character& c = characters[k];
    const auto kind = !c.valid           ? Problem::Kind::invalid_utf8
                      : is_control(c.code) ? Problem::Kind::control
                      : is_emoji(c.code)   ? Problem::Kind::emoji
                                           : Problem::Kind::unreadable;
    if (kind == Problem::Kind::unreadable) continue;
    std::string shown;
    if (kind == Problem::Kind::emoji) append_utf8(shown, c.code);
    if (kind == Problem::Kind::control) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c.code));
      shown = code;
    }
    problems.push_back({k + 1, shown, kind});
  }
  return problems;
}

// Letters, and the apostrophe and hyphen inside words (d'água, guarda-chuva).
bool read_inside_words(char32_t c) { return is_letter(c) || c == '\'' || c == 0x2019 || c == '-'; }

// The characters of a word as typed that no reading covers, at their positions in the text.
bool unreadable_characters(const NormalisedWord& word, std::vector<Problem>& problems) {
  bool found = false;
  const auto characters = decode_utf8(word.text);
  for (std::size_t k = 0; k < characters.size(); ++k) {
    if (read_inside_words(characters[k].code)) continue;
    std::string shown;
    append_utf8(shown, characters[k].code);
    problems.push_back({word.position + k, shown});
    found = true;
  }
  return found;
}

// Where the syllable of the vowel at `vowel` begins: the consonant before it, or the two before
// it when they are a stop or f or v followed by l or r (pr, bl, tr, fl...).
std::size_t syllable_onset(const Phones& word, std::size_t vowel) {
  const auto consonant = [&](std::size_t k) { return !is_vowel(word[k]) && word[k] != "_"; };
  if (vowel == 0 || !consonant(vowel - 1)) return vowel;
  const bool liquid = word[vowel - 1] == "r" || word[vowel - 1] == "l";
  const bool cluster = vowel >= 2 && liquid && consonant(vowel - 2) &&
                       std::string_view("pbtdkgfv").find(word[vowel - 2]) != std::string_view::npos &&
                       word[vowel - 2].size() == 1;
  return cluster ? vowel - 2 : vowel - 1;
}

// A word of one syllable on a reduced vowel (o, a, de, que, e) leans on its neighbour: in the
// phrase it carries no stress of its own.
bool clitic(const WordPhones& reading) {
  const auto vowels = std::count_if(reading.phones.begin(), reading.phones.end(), [](const std::string& p) { return is_vowel(p); });
  const std::string& stressed = reading.phones[*reading.stressed];
  return vowels == 1 && (stressed == "6" || stressed == "u" || stressed == "@" || stressed == "i");
}

// The words of a phrase run together, each stressed syllable opened by the stress mark. A
// sibilant at the end of a word sounds [z] before a vowel, [Z] before a voiced consonant and
// [S] before a voiceless one or a pause.
class Joined {
 public:
  void add(const WordPhones& reading) {
    const Phones& word = reading.phones;
    if (word.empty()) return;
    if (sibilant_at_) text_[*sibilant_at_] = sibilant_before(&word.front());
    const std::size_t onset = reading.stressed && !clitic(reading) ? syllable_onset(word, *reading.stressed) : word.size();
    for (std::size_t k = 0; k < word.size(); ++k) {
      if (k == onset) text_ += synthesis::primary_stress_mark;
      text_ += word[k];
    }
    const std::string& last = word.back();
    sibilant_at_.reset();
    if (last == "s" || last == "z" || last == "S" || last == "Z") sibilant_at_ = text_.size() - 1;
  }
  std::string text() && {
    if (sibilant_at_) text_[*sibilant_at_] = sibilant_before(nullptr);
    return std::move(text_);
  }

 private:
  static char sibilant_before(const std::string* next) {
    return !next ? 'S' : is_vowel(*next) ? 'z' : is_voiced_consonant(*next) ? 'Z' : 'S';
  }
  std::string text_;
  std::optional<std::size_t> sibilant_at_;  // in text_, of the last word's final sibilant
};

// The phones of a normalised phrase run together; problems gets what cannot be read.
std::string phrase_phones(const NormalisedPhrase& phrase, const TranscriptionOptions& options,
                          std::vector<Problem>& problems) {
  Joined joined;
  for (const NormalisedWord& word : phrase.words) {
    if (word.typed && unreadable_characters(word, problems)) continue;
    const auto read = read_word(word.text, options.exceptions);
    if (!read) {
      problems.push_back({word.position, word.text});
      continue;
    }
    for (const auto& part : *read) joined.add(*part);
  }
  return std::move(joined).text();
}

}  // namespace

Transcription transcribe(std::string_view text, const TranscriptionOptions& options) {
  Transcription result;
  const Normaliser& normaliser = Normaliser::compiled();
  const Spelling spelling =
      read_spelling(text, [&](std::string_view word) { return normaliser.period_use(word); });
  if (spelling.blank) {
    result.status = Transcription::Status::empty_text;
    return result;
  }
  result.problems = invalid_characters(spelling.characters);
  if (!result.problems.empty()) {
    result.status = Transcription::Status::invalid_text;
    return result;
  }
  try {
    std::vector<std::string> phrases;
    for (const Phrase& phrase : spelling.phrases) {
      NormalisedPhrase normalised = normaliser.normalise(phrase);
      std::string joined = phrase_phones(normalised, options, result.problems);
      if (!joined.empty()) phrases.push_back(std::move(joined));
      for (auto& rewrite : normalised.rewrites) result.rewrites.push_back(std::move(rewrite));
    }
    if (!result.problems.empty()) {
      result.status = Transcription::Status::untranscribable;
      return result;
    }
    if (phrases.empty()) {
      result.status = Transcription::Status::nothing_to_transcribe;
      return result;
    }
    result.sampa = "_";
    for (const auto& phrase : phrases) result.sampa += phrase + "_";
    if (spelling.final_mark) result.sampa += spelling.final_mark;
  } catch (const FrontEndUnavailable&) {
    result = Transcription{};
    result.status = Transcription::Status::unavailable;
  }
  return result;
}

std::string message(const Transcription& transcription) {
  using Status = Transcription::Status;
  switch (transcription.status) {
    case Status::ok:
      return {};
    case Status::empty_text:
      return "Escreva um texto em português para transcrever.";
    case Status::nothing_to_transcribe:
      return "O texto não tem palavras para transcrever.";
    case Status::unavailable:
      return "Não foi possível iniciar o transcritor de português.";
    case Status::untranscribable:
    case Status::invalid_text:
      break;
  }
  constexpr std::size_t shown = 5;
  const bool invalid = transcription.status == Status::invalid_text;
  std::string text = invalid ? "O texto tem caracteres que não se podem ler: " : "Não é possível transcrever ";
  for (std::size_t k = 0; k < transcription.problems.size() && k < shown; ++k) {
    const Problem& p = transcription.problems[k];
    text += k ? ", " : "";
    switch (p.kind) {
      case Problem::Kind::unreadable: text += "«" + p.text + "»"; break;
      case Problem::Kind::invalid_utf8: text += "um byte que não é UTF-8 válido"; break;
      case Problem::Kind::control: text += "um carácter de controlo " + p.text; break;
      case Problem::Kind::emoji: text += "o emoji «" + p.text + "»"; break;
    }
    text += " (posição " + std::to_string(p.position) + ")";
  }
  if (transcription.problems.size() > shown)
    text += " e mais " + std::to_string(transcription.problems.size() - shown);
  return text + ".";
}

}  // namespace quelvara::transcription
