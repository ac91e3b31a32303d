// quelvara-synth --help and its manual page say the same things: the same description, and the
// same items with the same texts in every list (argument, options, exit statuses, environment,
// files, examples), whatever each does with its lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;  // term, text

struct Page {
  std::vector<std::string> description;  // paragraphs
  std::map<std::string, Items> lists;    // by the --help heading
};

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

void append(std::string& text, const std::string& more) { text += (text.empty() ? "" : " ") + more; }

std::size_t indent_of(const std::string& line) { return line.find_first_not_of(' '); }

// The help: lists under "Heading:", each item a line indented by two, its text after two blanks
// or on the lines indented further; paragraphs before the first list.
Page read_help(const std::string& help) {
  Page page;
  std::istringstream lines(help);
  std::string line, heading, paragraph;
  std::getline(lines, line);  // name, version and summary
  std::getline(lines, line);
  std::getline(lines, line);  // the synopsis
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == ':' && line.front() != ' ') {
      heading = line.substr(0, line.size() - 1);
    } else if (heading.empty() || line.empty() || indent_of(line) == 0) {
      if (!heading.empty()) heading.clear();
      if (line.empty() && !paragraph.empty()) page.description.push_back(std::exchange(paragraph, ""));
      if (!line.empty()) append(paragraph, line);
    } else if (indent_of(line) == 2) {
      const auto gap = line.find("  ", 2);
      page.lists[heading].push_back({line.substr(2, gap - 2), gap == std::string::npos ? "" : line.substr(indent_of(line.substr(gap)) + gap)});
    } else {
      append(page.lists[heading].back().second, line.substr(indent_of(line)));
    }
  }
  return page;
}

// The manual page, its roff undone: ".TP" items, ".EX" examples, ".PP" paragraphs.
Page read_manual(const fs::path& file, const std::map<std::string, std::string>& headings) {
  std::ifstream in(file);
  Page page;
  std::string line, section, paragraph;
  enum { none, term, text, example } expecting = none;
  while (std::getline(in, line)) {
    for (const char* escape : {"\\fB", "\\fI", "\\fR", "\\&"}) replace_all(line, escape, "");
    replace_all(line, "\\-", "-");
    replace_all(line, "\\e", "\\");
    if (line.starts_with(".SH ")) {
      section = line.substr(4);
      replace_all(section, "\"", "");
      expecting = none;
    } else if (section == "DESCRIÇÃO") {
      if (line == ".PP") page.description.push_back(std::exchange(paragraph, ""));
      else append(paragraph, line);
    } else if (!headings.count(section)) {
      continue;
    } else if (line == ".TP" || line == ".EX") {
      expecting = line == ".TP" ? term : example;
    } else if (expecting == term || expecting == example) {
      page.lists[headings.at(section)].push_back({line, ""});
      expecting = expecting == term ? text : none;
    } else if (line == ".RS") {
      expecting = text;
    } else if (expecting == text && !line.starts_with(".")) {
      append(page.lists[headings.at(section)].back().second, line);
    }
  }
  if (!paragraph.empty()) page.description.push_back(paragraph);
  return page;
}

TEST(HelpAndManual, SayTheSameThings) {
  const auto help = quelvara::testing::run_program(QUELVARA_SYNTH, {"--help"});
  ASSERT_EQ(help.status, 0);
  // The folders differ: the help names the one the program reads, the manual the installed one.
  std::string help_text = help.out;
  replace_all(help_text, (fs::path(QUELVARA_SYNTH).parent_path().parent_path() / "share/quelvara").string(), "{dados}");
  const Page from_help = read_help(help_text);

  const Page manual = read_manual(fs::path(QUELVARA_BINARY_DIR) / "packaging" / "quelvara-synth.1",
                                  {{"ARGUMENTO", "Argumento"},
                                   {"OPÇÕES", "Opções"},
                                   {"ESTADO DE SAÍDA", "Estado de saída"},
                                   {"AMBIENTE", "Ambiente"},
                                   {"FICHEIROS", "Ficheiros"},
                                   {"EXEMPLOS", "Exemplos"}});
  Page from_manual = manual;
  for (auto& [heading, items] : from_manual.lists)
    for (auto& [term, text] : items) {
      replace_all(term, QUELVARA_INSTALL_FULL_DATA_DIR, "{dados}");
      replace_all(text, QUELVARA_INSTALL_FULL_DATA_DIR, "{dados}");
    }

  // The help's last paragraph says which database the program reads now: the manual cannot.
  ASSERT_FALSE(from_help.description.empty());
  EXPECT_EQ(std::vector(from_help.description.begin(), from_help.description.end() - 1), from_manual.description);
  EXPECT_EQ(from_help.lists.size(), 6u);
  EXPECT_EQ(from_help.lists, from_manual.lists);
  EXPECT_EQ(from_help.lists.at("Opções").size(), 9u);
}

}  // namespace
