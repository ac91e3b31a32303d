#pragma once
// Words whose transcription is known better than the front end's: spelling -> phones.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quelvara::transcription {

class ExceptionList {
 public:
  // Rows "word<TAB>transcription"; "#" lines and blank lines are skipped. Throws
  // std::runtime_error naming the line of a row that is malformed, repeats a word, or whose
  // transcription is not made of inventory phones.
  static ExceptionList read(std::string_view table);

  // The phones of a word as typed (capitals match lower case); null when it is not listed.
  const std::vector<std::string>* find(std::string_view word) const;

  std::size_t size() const { return words_.size(); }

 private:
  std::unordered_map<std::string, std::vector<std::string>> words_;
};

}  // namespace quelvara::transcription
