#pragma once
// Reading the transcriber's tab-separated tables: one row a line, "#" lines and blank lines
// skipped, a row's fault reported with the table's name and the line.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

// The parts of text between separators; n separators give n + 1 parts, empty ones included.
inline std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// The words of text, separated by blanks (none for a text of blanks).
inline std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  for (auto& part : split(text, ' '))
    if (!part.empty()) words.push_back(std::move(part));
  return words;
}

// Calls row(fields) for every row of a table; a std::runtime_error that row throws comes back
// as "name line N: " and its message.
template <typename Row>
void for_each_row(std::string_view table, std::string_view name, Row row) {
  int number = 0;
  for (std::string_view line : split(table, '\n')) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    try {
      row(split(line, '\t'));
    } catch (const std::runtime_error& e) {
      throw std::runtime_error(std::string(name) + " line " + std::to_string(number) + ": " + e.what());
    }
  }
}

}  // namespace quelvara::transcription
