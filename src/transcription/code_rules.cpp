#include "transcription/code_rules.h"

#include <algorithm>
#include <stdexcept>

#include "synthesis/phones.h"
#include "transcription/phone_sequence.h"
#include "transcription/table_rows.h"

namespace quelvara::transcription {
namespace {

std::vector<std::string> inventory_phones(const std::vector<std::string>& symbols) {
  for (const auto& symbol : symbols)
    if (!synthesis::phone_number(symbol)) throw std::runtime_error("'" + symbol + "' is not a phone of the inventory");
  return symbols;
}

CodeRule::Where where_of(const std::string& text) {
  if (text.empty()) return CodeRule::Where::anywhere;
  if (text == "end") return CodeRule::Where::end;
  if (text == "consonant") return CodeRule::Where::consonant;
  if (text == "vowel") return CodeRule::Where::vowel;
  if (text == "coda") return CodeRule::Where::coda;
  throw std::runtime_error("unknown place '" + text + "'");
}

bool is_stress_mark(char c) { return c == '\'' || c == ','; }

std::string_view bare(std::string_view code) {
  while (!code.empty() && is_stress_mark(code.front())) code.remove_prefix(1);
  return code;
}

bool matches(const std::string& rule_code, const std::string& code) {
  return is_stress_mark(rule_code.front()) ? rule_code == code : rule_code == bare(code);
}

}  // namespace

CodeRules CodeRules::read(std::string_view front_end, std::string_view builder) {
  CodeRules rules;
  for_each_row(front_end, "donor code table", [&](const std::vector<std::string>& fields) {
    if (fields.size() < 2 || fields.size() > 3) throw std::runtime_error("expected 2 or 3 tab-separated fields");
    CodeRule rule;
    rule.codes = words_of(fields[0]);
    if (rule.codes.empty()) throw std::runtime_error("no donor code");
    for (const auto& code : rule.codes)
      if (bare(code).empty()) throw std::runtime_error("a stress mark alone is no code");
    if (fields[1] != "-") rule.phones = inventory_phones(words_of(fields[1]));
    if (rule.phones.empty() && fields[1] != "-") throw std::runtime_error("no phone (write - for nothing)");
    rule.where = where_of(fields.size() == 3 ? fields[2] : std::string());
    rules.rules_.push_back(std::move(rule));
  });
  for_each_row(builder, "builder phone table", [&](const std::vector<std::string>& fields) {
    if (fields.size() < 3) throw std::runtime_error("expected number, phone and codes");
    CodeRule rule;
    rule.codes = words_of(fields[2]);
    if (rule.codes.empty()) throw std::runtime_error("no donor code");
    rule.phones = inventory_phones({fields[1]});
    rules.rules_.push_back(std::move(rule));
  });
  for (std::size_t k = 0; k < rules.rules_.size(); ++k)
    rules.by_first_code_[std::string(bare(rules.rules_[k].codes.front()))].push_back(k);
  for (auto& [code, indices] : rules.by_first_code_)
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
      return rules.rules_[a].codes.size() > rules.rules_[b].codes.size();
    });
  return rules;
}

std::optional<std::string> CodeRules::first_phone(const std::string& code) const {
  const auto found = by_first_code_.find(std::string(bare(code)));
  if (found == by_first_code_.end()) return std::nullopt;
  for (std::size_t k : found->second) {
    const CodeRule& rule = rules_[k];
    if (rule.codes.size() == 1 && rule.where == CodeRule::Where::anywhere && matches(rule.codes.front(), code))
      return rule.phones.empty() ? std::string() : rule.phones.front();
  }
  return std::nullopt;
}

bool CodeRules::holds(const CodeRule& rule, const std::vector<std::string>& codes, std::size_t after) const {
  if (rule.where == CodeRule::Where::anywhere) return true;
  // The next code that sounds: pauses and the like are passed over.
  std::optional<std::string> next;
  for (std::size_t k = after; k < codes.size() && !next; ++k) {
    const auto phone = first_phone(codes[k]);
    if (!phone || !phone->empty()) next = phone.value_or("?");
  }
  const bool consonant = next && synthesis::phone_number(*next) && !is_vowel(*next);
  switch (rule.where) {
    case CodeRule::Where::end: return !next;
    case CodeRule::Where::consonant: return consonant;
    case CodeRule::Where::vowel: return next && is_vowel(*next);
    case CodeRule::Where::coda: return !next || consonant;
    case CodeRule::Where::anywhere: break;
  }
  return true;
}

MappedWord CodeRules::map_word(const std::vector<std::string>& codes) const {
  MappedWord word;
  std::size_t at = 0;
  while (at < codes.size()) {
    const CodeRule* chosen = nullptr;
    if (const auto found = by_first_code_.find(std::string(bare(codes[at]))); found != by_first_code_.end()) {
      for (std::size_t k : found->second) {
        const CodeRule& rule = rules_[k];
        if (at + rule.codes.size() > codes.size()) continue;
        if (!std::equal(rule.codes.begin(), rule.codes.end(), codes.begin() + static_cast<std::ptrdiff_t>(at), matches))
          continue;
        if (!holds(rule, codes, at + rule.codes.size())) continue;
        chosen = &rule;
        break;
      }
    }
    if (!chosen) {
      word.unknown = codes[at];
      return word;
    }
    // The stress goes to the first vowel of what a stressed code becomes.
    const bool stressed = std::any_of(codes.begin() + static_cast<std::ptrdiff_t>(at),
                                      codes.begin() + static_cast<std::ptrdiff_t>(at + chosen->codes.size()),
                                      [](const std::string& code) { return code.front() == '\''; });
    for (const auto& phone : chosen->phones) {
      if (stressed && !word.stressed && is_vowel(phone)) word.stressed = word.phones.size();
      word.phones.push_back(phone);
    }
    at += chosen->codes.size();
  }
  return word;
}

}  // namespace quelvara::transcription
