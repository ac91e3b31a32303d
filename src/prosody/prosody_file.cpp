#include "prosody/prosody_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>

namespace quelvara::prosody {

Read<std::string> read_prosody_text(std::istream& in) {
  std::string text(largest_prosody_file + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > largest_prosody_file) {
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return FileProblem{lines + 1, "o ficheiro é demasiado grande (mais de " +
                                      std::to_string(largest_prosody_file >> 20) + " MB)"};
  }
  return text;
}

std::optional<Read<std::string>> read_prosody_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  if (!in || std::filesystem::is_directory(path, ec)) return std::nullopt;
  return read_prosody_text(in);
}

std::string problem_text(const std::string& file, const FileProblem& problem) {
  return file + ": linha " + std::to_string(problem.line) + ": " + problem.message;
}

std::optional<FileProblem> binary_content(std::string_view text) {
  std::size_t line = 1;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') ++line;
    if (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
      return FileProblem{line, "o ficheiro não é de texto (tem caracteres de controlo)"};
    if (u == 0x7F) return FileProblem{line, "o ficheiro não é de texto (tem caracteres de controlo)"};
  }
  return std::nullopt;
}

std::optional<double> number(std::string_view word) {
  if (word.size() > 1 && word.front() == '+' && word[1] != '-') word.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string quoted(std::string_view word) { return "«" + std::string(word) + "»"; }

std::string shortest_text(double x) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
  return std::string(buffer, result.ptr);
}

std::string_view take_line(std::string_view& text) {
  const std::size_t end = std::min(text.find('\n'), text.size());
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(std::min(end + 1, text.size()));
  return line;
}

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; };
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && blank(line[at])) ++at;
    std::size_t end = at;
    while (end < line.size() && !blank(line[end])) ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

}  // namespace quelvara::prosody
