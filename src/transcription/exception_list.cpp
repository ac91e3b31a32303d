#include "transcription/exception_list.h"

#include <algorithm>
#include <stdexcept>

#include "transcription/phone_sequence.h"
#include "transcription/spelling.h"
#include "transcription/table_rows.h"

namespace quelvara::transcription {

ExceptionList ExceptionList::read(std::string_view table) {
  ExceptionList list;
  for_each_row(table, "exception list", [&](const std::vector<std::string>& fields) {
    if (fields.size() != 2) throw std::runtime_error("expected a word and a transcription, tab-separated");
    const std::string word = lower_case(fields[0]);
    if (word.empty() || word.find(' ') != std::string::npos) throw std::runtime_error("the word must be one word");
    auto phones = split_phones(fields[1]);
    if (!phones || phones->empty())
      throw std::runtime_error("'" + fields[1] + "' is not made of inventory phones");
    if (std::find(phones->begin(), phones->end(), "_") != phones->end())
      throw std::runtime_error("a word holds no pause");
    if (!list.words_.emplace(word, std::move(*phones)).second)
      throw std::runtime_error("'" + word + "' is listed twice");
  });
  return list;
}

const std::vector<std::string>* ExceptionList::find(std::string_view word) const {
  const auto found = words_.find(lower_case(word));
  return found == words_.end() ? nullptr : &found->second;
}

}  // namespace quelvara::transcription
