#include "transcription/transcriber.h"

#include <mutex>
#include <optional>
#include <unordered_map>

#include "transcription/code_rules.h"
#include "transcription/donor_front_end.h"
#include "transcription/exception_list.h"
#include "transcription/phone_sequence.h"
#include "transcription/spelling.h"
#include "transcription/tables.h"

namespace quelvara::transcription {
namespace {

using Phones = std::vector<std::string>;

struct Tables {
  CodeRules rules = CodeRules::read(tables::donor_codes, tables::builder_phones);
  ExceptionList exceptions = ExceptionList::read(tables::exceptions);
};

const Tables& compiled_tables() {
  static const Tables tables;
  return tables;
}

struct Unavailable {};

// The phones of the front end's words; nullopt when one of them is foreign to it or holds a
// code no rule maps.
std::optional<std::vector<Phones>> front_end_phones(std::string_view text) {
  const auto reading = donor_reading(text);
  if (!reading) throw Unavailable{};
  std::vector<Phones> words;
  for (const DonorWord& word : *reading) {
    if (word.foreign) return std::nullopt;
    MappedWord mapped = compiled_tables().rules.map_word(word.codes);
    if (mapped.unknown) return std::nullopt;
    if (!mapped.phones.empty()) words.push_back(std::move(mapped.phones));
  }
  return words;
}

// Latin letters, digits, and the marks read as parts of numbers and words (1.000, 3,5,
// guarda-chuva, d'água). On its own the front end spells a letter out, and an accented one
// with the accent's name, which says nothing about the letter inside a word.
bool read_inside_words(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || c == '\'' || c == 0x2019 || c == '-' || c == '.' ||
         c == ',' || c == ';' || c == ':' || (c >= 0x300 && c <= 0x36F);
}

// Whether the front end says something Portuguese for a character on its own. Asked once per
// character and process.
bool transcribable(char32_t c) {
  static std::mutex lock;
  static std::unordered_map<char32_t, bool> known;
  {
    std::lock_guard guard(lock);
    if (const auto found = known.find(c); found != known.end()) return found->second;
  }
  std::string text;
  append_utf8(text, c);
  const auto words = front_end_phones(text);
  const bool answer = words && !words->empty();
  std::lock_guard guard(lock);
  known.emplace(c, answer);
  return answer;
}

std::vector<Problem> character_problems(const Spelling& spelling) {
  std::vector<Problem> problems;
  for (const Phrase& phrase : spelling.phrases)
    for (const Token& word : phrase.words)
      for (std::size_t k : word.characters) {
        const Character& c = spelling.characters[k];
        if (c.valid && (read_inside_words(c.code) || transcribable(c.code))) continue;
        std::string shown;
        append_utf8(shown, c.code);
        problems.push_back({k + 1, shown});
      }
  return problems;
}

// Runs of words go to the front end together, so that it reads numbers and joins words as in
// connected speech; listed words are taken from the exception list.
std::vector<Phones> phrase_words(const Phrase& phrase, const TranscriptionOptions& options,
                                 std::vector<Problem>& problems) {
  std::vector<Phones> words;
  std::vector<const Token*> run;
  const auto flush = [&] {
    if (run.empty()) return;
    std::string text;
    for (const Token* token : run) text += (text.empty() ? "" : " ") + token->text;
    if (auto read = front_end_phones(text)) {
      for (auto& word : *read) words.push_back(std::move(word));
    } else {
      // Find the words the front end cannot read on their own.
      const std::size_t before = problems.size();
      for (const Token* token : run)
        if (!front_end_phones(token->text)) problems.push_back({token->position, token->text});
      if (problems.size() == before) problems.push_back({run.front()->position, text});
    }
    run.clear();
  };
  for (const Token& token : phrase.words) {
    const Phones* listed = options.exceptions ? compiled_tables().exceptions.find(token.text) : nullptr;
    if (!listed) {
      run.push_back(&token);
      continue;
    }
    flush();
    words.push_back(*listed);
  }
  flush();
  return words;
}

// The words of a phrase run together; a final s sounds [z] before a vowel and [Z] before a
// voiced consonant of the next word.
std::string join(const std::vector<Phones>& words) {
  std::string out;
  std::string last;
  for (const Phones& word : words) {
    if (word.empty()) continue;
    if (last == "S" && !out.empty()) {
      if (is_vowel(word.front())) out.back() = 'z';
      else if (is_voiced_consonant(word.front())) out.back() = 'Z';
    }
    for (const auto& phone : word) out += phone;
    last = word.back();
  }
  return out;
}

}  // namespace

Transcription transcribe(std::string_view text, const TranscriptionOptions& options) {
  Transcription result;
  const Spelling spelling = read_spelling(text);
  if (spelling.blank) {
    result.status = Transcription::Status::empty_text;
    return result;
  }
  try {
    result.problems = character_problems(spelling);
    std::vector<std::string> phrases;
    if (result.problems.empty())
      for (const Phrase& phrase : spelling.phrases) {
        std::string joined = join(phrase_words(phrase, options, result.problems));
        if (!joined.empty()) phrases.push_back(std::move(joined));
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
  } catch (const Unavailable&) {
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
      break;
  }
  constexpr std::size_t shown = 5;
  std::string text = "Não é possível transcrever ";
  for (std::size_t k = 0; k < transcription.problems.size() && k < shown; ++k) {
    const Problem& p = transcription.problems[k];
    text += (k ? ", «" : "«") + p.text + "» (posição " + std::to_string(p.position) + ")";
  }
  if (transcription.problems.size() > shown)
    text += " e mais " + std::to_string(transcription.problems.size() - shown);
  return text + ".";
}

}  // namespace quelvara::transcription
