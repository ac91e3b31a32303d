#include "transcription/exception_list.h"

#include <algorithm>
#include <stdexcept>

#include "transcription/phone_sequence.h"
#include "transcription/spelling.h"

namespace quelvara::transcription {

ExceptionList ExceptionList::read(std::string_view table) {
  ExceptionList list;
  int number = 0;
  std::size_t start = 0;
  while (start < table.size()) {
    std::size_t end = table.find('\n', start);
    if (end == std::string_view::npos) end = table.size();
    std::string_view line = table.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const std::string& what) {
      throw std::runtime_error("exception list line " + std::to_string(number) + ": " + what);
    };
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos)
      fail("expected a word and a transcription, tab-separated");
    const std::string word = lower_case(line.substr(0, tab));
    if (word.empty() || word.find(' ') != std::string::npos) fail("the word must be one word");
    auto phones = split_phones(line.substr(tab + 1));
    if (!phones || phones->empty()) fail("'" + std::string(line.substr(tab + 1)) + "' is not made of inventory phones");
    if (std::find(phones->begin(), phones->end(), "_") != phones->end()) fail("a word holds no pause");
    if (!list.words_.emplace(word, std::move(*phones)).second) fail("'" + word + "' is listed twice");
  }
  return list;
}

const std::vector<std::string>* ExceptionList::find(std::string_view word) const {
  const auto found = words_.find(lower_case(word));
  return found == words_.end() ? nullptr : &found->second;
}

}  // namespace quelvara::transcription
