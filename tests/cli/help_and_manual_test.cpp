// quelvara-synth --help and its manual page say the same things: word for word, section by
// section, whatever each does with its lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

void add_words(std::string& to, const std::string& line) {
  std::istringstream words(line);
  for (std::string word; words >> word;) to += (to.empty() ? "" : " ") + word;
}

// The help's words under each heading ("Opções:"); those before the first, under "".
std::map<std::string, std::string> help_sections(const std::string& help) {
  std::map<std::string, std::string> sections;
  std::istringstream lines(help.substr(help.find("\n\n", help.find("Utilização:"))));
  std::string heading, line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line.back() == ':' && line.front() != ' ')
      heading = line.substr(0, line.size() - 1);
    else
      add_words(sections[heading], line);
  }
  return sections;
}

// The manual page's words under each section, its markup and escapes undone.
std::map<std::string, std::string> manual_sections(const fs::path& file) {
  std::map<std::string, std::string> sections;
  std::ifstream in(file);
  std::string section, line;
  while (std::getline(in, line)) {
    if (line.starts_with(".SH ")) {
      section = line.substr(4);
      replace_all(section, "\"", "");
    } else if (!line.starts_with(".")) {
      for (const char* markup : {"\\fB", "\\fI", "\\fR", "\\&"}) replace_all(line, markup, "");
      replace_all(line, "\\-", "-");
      replace_all(line, "\\e", "\\");
      add_words(sections[section], line);
    }
  }
  return sections;
}

TEST(HelpAndManual, SayTheSameThings) {
  const auto help = quelvara::testing::run_program(QUELVARA_SYNTH, {"--help"});
  ASSERT_EQ(help.status, 0);
  // The help names the data folder this program reads, the manual the installed one; either may
  // hold blanks, and the help may break its lines there.
  auto from_help = help_sections(help.out);
  for (auto& [heading, words] : from_help)
    replace_all(words, (fs::path(QUELVARA_SYNTH).parent_path().parent_path() / "share/quelvara").string(), "{dados}");
  auto manual = manual_sections(fs::path(QUELVARA_BINARY_DIR) / "packaging" / "quelvara-synth.1");
  for (auto& [section, words] : manual) replace_all(words, QUELVARA_INSTALL_FULL_DATA_DIR, "{dados}");

  // Only the help says which database is read now, after the options.
  const std::string now = from_help["Opções"].substr(from_help["Opções"].find(" Sem --bd,"));
  from_help["Opções"].erase(from_help["Opções"].size() - now.size());
  EXPECT_NE(now.find("base de dados"), std::string::npos) << now;

  const std::map<std::string, std::string> sections = {{"", "DESCRIÇÃO"},        {"Argumento", "ARGUMENTO"},
                                                       {"Opções", "OPÇÕES"},     {"Estado de saída", "ESTADO DE SAÍDA"},
                                                       {"Ambiente", "AMBIENTE"}, {"Ficheiros", "FICHEIROS"},
                                                       {"Exemplos", "EXEMPLOS"}};
  EXPECT_EQ(from_help.size(), sections.size());
  for (const auto& [heading, section] : sections) {
    EXPECT_FALSE(from_help[heading].empty()) << heading;
    EXPECT_EQ(from_help[heading], manual[section]) << heading;
  }
}

}  // namespace
