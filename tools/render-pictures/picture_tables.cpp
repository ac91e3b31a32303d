#include "picture_tables.h"

#include <fstream>
#include <sstream>

namespace quelvara::pictures {
namespace {

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const auto bar = line.find('|', start);
    fields.push_back(trimmed(line.substr(start, bar - start)));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

TableError error_at(int line_number, const std::string& what) {
  return TableError("line " + std::to_string(line_number) + ": " + what);
}

// Numbered lines that are neither blank nor comments.
template <typename Visit>
void for_each_content_line(const std::string& contents, Visit visit) {
  std::istringstream in(contents);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    visit(number, line);
  }
}

}  // namespace

std::vector<ExamplePiece> split_example(const std::string& example) {
  std::vector<ExamplePiece> pieces;
  std::string current;
  bool marked = false;
  for (char c : example) {
    if (c == '[' || c == ']') {
      if ((c == '[') == marked) throw TableError("unbalanced brackets in \"" + example + "\"");
      if (!current.empty()) pieces.push_back({current, marked});
      current.clear();
      marked = !marked;
    } else {
      current += c;
    }
  }
  if (marked) throw TableError("unbalanced brackets in \"" + example + "\"");
  if (!current.empty()) pieces.push_back({current, false});
  return pieces;
}

std::vector<ChartRow> parse_chart(const std::string& contents) {
  std::vector<ChartRow> rows;
  for_each_content_line(contents, [&](int number, const std::string& line) {
    const auto fields = fields_of(line);
    if (fields.size() != 4) throw error_at(number, "expected 4 fields separated by '|'");
    ChartRow row{fields[0], fields[1], fields[2], fields[3]};
    if (row.sampa.empty() || row.example.empty() || row.group.empty())
      throw error_at(number, "symbol, example and group must not be empty");
    try {
      split_example(row.example);
    } catch (const TableError& e) {
      throw error_at(number, e.what());
    }
    rows.push_back(std::move(row));
  });
  return rows;
}

std::vector<CreditLine> parse_credits(const std::string& contents) {
  std::vector<CreditLine> lines;
  for_each_content_line(contents, [&](int number, const std::string& line) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) throw error_at(number, "expected \"style: text\"");
    const std::string style = trimmed(line.substr(0, colon));
    const std::string text = trimmed(line.substr(colon + 1));
    using Style = CreditLine::Style;
    if (style == "title") lines.push_back({Style::title, text});
    else if (style == "subtitle") lines.push_back({Style::subtitle, text});
    else if (style == "text") lines.push_back({Style::text, text});
    else if (style == "small") lines.push_back({Style::small, text});
    else throw error_at(number, "unknown style \"" + style + "\"");
  });
  return lines;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TableError("cannot read " + path.string());
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

}  // namespace quelvara::pictures
