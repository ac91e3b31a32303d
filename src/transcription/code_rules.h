#pragma once
// The rules that turn the donor front end's phoneme codes for one word into inventory phones.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quelvara::transcription {

struct CodeRule {
  enum class Where { anywhere, end, consonant, vowel, coda };
  // One or more donor codes. A code written with its stress mark ('u) matches only that
  // stress; one written bare matches with any stress or none.
  std::vector<std::string> codes;
  std::vector<std::string> phones;  // inventory phones; empty for nothing
  Where where = Where::anywhere;
};

struct MappedWord {
  std::vector<std::string> phones;
  std::optional<std::size_t> stressed;  // the phone of the primary stress, when a vowel carries it
  std::optional<std::string> unknown;   // the first code no rule maps; phones are then partial
};

class CodeRules {
 public:
  // front_end: rows "codes<TAB>phones[<TAB>where]" (donor-codes.tsv). builder: the database
  // builder's table, "number<TAB>sampa<TAB>codes...", read backwards as codes -> phone; its
  // rows come after the front end's. Lines starting with "#" and blank lines are skipped.
  // Throws std::runtime_error naming the table and line at fault.
  static CodeRules read(std::string_view front_end, std::string_view builder);

  MappedWord map_word(const std::vector<std::string>& codes) const;

  std::size_t size() const { return rules_.size(); }

 private:
  bool holds(const CodeRule& rule, const std::vector<std::string>& codes, std::size_t after) const;
  // What the code sounds like on its own: nullopt when unknown, "" when it maps to nothing.
  std::optional<std::string> first_phone(const std::string& code) const;

  std::vector<CodeRule> rules_;
  // Rule indices by first code, longest codes first, then in table order.
  std::unordered_map<std::string, std::vector<std::size_t>> by_first_code_;
};

}  // namespace quelvara::transcription
