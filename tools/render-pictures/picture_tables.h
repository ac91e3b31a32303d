#pragma once
// The plain-text tables the pictures are drawn from: the SAMPA chart and the credits.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace quelvara::pictures {

struct TableError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ChartRow {
  std::string sampa;
  std::string ipa;      // empty for the silence
  std::string example;  // letters that carry the sound in [brackets]
  std::string group;    // the heading the row is drawn under
};

struct CreditLine {
  enum class Style { title, subtitle, text, small };
  Style style;
  std::string text;
};

// A piece of an example word, marked when it was in brackets.
struct ExamplePiece {
  std::string text;
  bool marked;
};

// Rows "SAMPA | IPA | example | group"; '#' lines and blank lines are skipped. Throws
// TableError naming the line for a wrong field count, an empty symbol, example or group, or
// unbalanced brackets.
std::vector<ChartRow> parse_chart(const std::string& contents);
// Lines "style: text"; throws TableError naming the line for an unknown style.
std::vector<CreditLine> parse_credits(const std::string& contents);

std::vector<ExamplePiece> split_example(const std::string& example);

// The whole file; throws TableError when it cannot be read.
std::string read_file(const std::filesystem::path& path);

}  // namespace quelvara::pictures
