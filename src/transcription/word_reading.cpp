#include "transcription/word_reading.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "transcription/code_rules.h"
#include "transcription/donor_front_end.h"
#include "transcription/exception_list.h"
#include "transcription/phone_sequence.h"
#include "transcription/spelling_codes.h"
#include "transcription/spelling.h"
#include "transcription/tables.h"

namespace quelvara::transcription {
namespace {

struct Tables {
  CodeRules rules = CodeRules::read(tables::donor_codes, tables::builder_phones);
  ExceptionList exceptions = ExceptionList::read(tables::exceptions);
  VowelRules vowels = VowelRules::read(tables::vowel_endings);
};

const Tables& compiled_tables() {
  static const Tables tables;
  return tables;
}

// Alone, the front end gives some words only a secondary stress (temos, teve): that stress is
// the word's own.
void stress_alone(std::vector<std::string>& codes) {
  if (std::any_of(codes.begin(), codes.end(), [](const std::string& c) { return c.front() == '\''; })) return;
  for (auto code = codes.rbegin(); code != codes.rend(); ++code)
    if (code->front() == ',') {
      code->front() = '\'';
      return;
    }
}

PartReading read_part(const std::string& part, bool exceptions);

// Readings already made, by word and by whether the exceptions counted; null for a word that
// cannot be read. A text of any length says few distinct words; the bound only keeps a
// long-running process from growing without end.
class Memory {
 public:
  bool find(const std::string& key, PartReading& reading) {
    std::lock_guard guard(lock_);
    const auto found = readings_.find(key);
    if (found == readings_.end()) return false;
    reading = found->second;
    return true;
  }
  void keep(const std::string& key, const PartReading& reading) {
    std::lock_guard guard(lock_);
    if (readings_.size() >= 100'000) readings_.clear();
    readings_.emplace(key, reading);
  }

 private:
  std::mutex lock_;
  std::unordered_map<std::string, PartReading> readings_;
};

Memory& memory() {
  static Memory m;
  return m;
}

PartReading front_end_part(const std::string& part, bool exceptions) {
  const auto reading = donor_reading(part);
  if (!reading) throw FrontEndUnavailable();
  WordPhones word;
  for (const DonorWord& donor : *reading) {
    if (donor.foreign) return nullptr;
    std::vector<std::string> codes = donor.codes;
    stress_alone(codes);
    if (reading->size() == 1) mend_by_spelling(part, codes);
    MappedWord mapped = compiled_tables().rules.map_word(codes);
    if (mapped.unknown) return nullptr;
    if (mapped.stressed && !word.stressed) word.stressed = word.phones.size() + *mapped.stressed;
    word.phones.insert(word.phones.end(), mapped.phones.begin(), mapped.phones.end());
  }
  // The spelling tells which vowels to mend only when the front end read it as one word.
  if (reading->size() == 1 && !word.phones.empty())
    compiled_tables().vowels.apply(part, word, [&](std::string_view other) {
      return read_part(std::string(other), exceptions);
    });
  return std::make_shared<const WordPhones>(std::move(word));
}

// The positions of a word's vowels.
std::vector<std::size_t> vowels_of(const Phones& phones) {
  std::vector<std::size_t> vowels;
  for (std::size_t k = 0; k < phones.size(); ++k)
    if (is_vowel(phones[k])) vowels.push_back(k);
  return vowels;
}

// A listed word's stress is on the vowel where the front end puts it: the same phone when their
// phones line up, else the vowel of the same rank when they have as many vowels.
PartReading listed_word(const std::string& part, const Phones& phones) {
  WordPhones word{phones, std::nullopt};
  const PartReading reading = read_part(part, false);
  if (reading && reading->stressed) {
    const auto listed = vowels_of(phones), read = vowels_of(reading->phones);
    const auto rank = std::find(read.begin(), read.end(), *reading->stressed) - read.begin();
    if (reading->phones.size() == phones.size() && is_vowel(phones[*reading->stressed]))
      word.stressed = reading->stressed;
    else if (listed.size() == read.size() && rank < static_cast<std::ptrdiff_t>(listed.size()))
      word.stressed = listed[static_cast<std::size_t>(rank)];
  }
  return std::make_shared<const WordPhones>(std::move(word));
}

PartReading read_part(const std::string& part, bool exceptions) {
  const std::string key = (exceptions ? "+" : "-") + part;
  PartReading reading;
  if (memory().find(key, reading)) return reading;
  const Phones* listed = exceptions ? compiled_tables().exceptions.find(part) : nullptr;
  reading = listed ? listed_word(part, *listed) : front_end_part(part, exceptions);
  memory().keep(key, reading);
  return reading;
}

}  // namespace

std::optional<std::vector<PartReading>> read_word(std::string_view word, bool exceptions) {
  const std::string lower = lower_case(word);
  std::vector<PartReading> parts;
  // A listed word is taken whole, hyphens and all.
  if (exceptions && compiled_tables().exceptions.find(lower)) return std::vector{read_part(lower, true)};
  std::size_t start = 0;
  while (start <= lower.size()) {
    std::size_t end = lower.find('-', start);
    if (end == std::string::npos) end = lower.size();
    if (end > start) {
      PartReading part = read_part(lower.substr(start, end - start), exceptions);
      if (!part) return std::nullopt;
      if (!part->phones.empty()) parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return parts;
}

}  // namespace quelvara::transcription
