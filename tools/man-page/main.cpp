// Writes the manual page of quelvara-synth from the texts its --help prints (src/cli/usage), so
// that both say the same things.
//
// Usage: man-page OUTPUT VERSION DATE DATA_FOLDER
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/usage.h"

namespace {

using namespace quelvara::cli;

// Text as roff reads it: "\" written as "\e", a "-" that begins an option as "\-" (a minus, so
// that the option can be searched and copied), and "\&" before a "." or "'" that begins a line.
std::string roff(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool word_start = i == 0 || text[i - 1] == ' ' || text[i - 1] == '-' || text[i - 1] == '(';
    if (c == '\\')
      out += "\\e";
    else if (c == '-' && word_start)
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

std::string term(const usage::Item& item, std::string_view data_folder) {
  std::string out = "\\fB" + roff(usage::with_data_folder(item.term, data_folder)) + "\\fR";
  if (!item.value.empty()) out += " \\fI" + roff(item.value) + "\\fR";
  return out;
}

void list(std::ostream& out, std::string_view heading, const std::vector<usage::Item>& items,
          std::string_view data_folder) {
  out << ".SH " << heading << '\n';
  for (const auto& item : items)
    out << ".TP\n" << term(item, data_folder) << '\n' << roff(usage::with_data_folder(item.text, data_folder)) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: man-page OUTPUT VERSION DATE DATA_FOLDER\n";
    return 2;
  }
  const std::string_view version = argv[2], date = argv[3], data_folder = argv[4];
  std::ofstream out(argv[1], std::ios::binary);
  out << ".\\\" -*- coding: UTF-8 -*-\n"
      << ".TH QUELVARA\\-SYNTH 1 " << date << " \"Quelvara " << version << "\" \"Comandos do utilizador\"\n"
      << ".nh\n"  // the hyphenation patterns are English ones
      << ".SH NOME\n"
      << roff(usage::program) << " \\- " << roff(usage::summary) << '\n'
      << ".SH SINOPSE\n"
      << ".B " << roff(usage::program) << '\n'
      << roff(usage::synopsis) << '\n'
      << ".SH DESCRIÇÃO\n";
  for (std::size_t i = 0; i < usage::description.size(); ++i)
    out << (i ? ".PP\n" : "") << roff(usage::description[i]) << '\n';
  list(out, "ARGUMENTO", {usage::argument}, data_folder);
  list(out, "OPÇÕES", usage::options, data_folder);
  list(out, "\"ESTADO DE SAÍDA\"", usage::statuses, data_folder);
  list(out, "AMBIENTE", usage::environment, data_folder);
  list(out, "FICHEIROS", usage::files, data_folder);
  out << ".SH EXEMPLOS\n";
  for (const auto& example : usage::examples)
    out << ".PP\n.EX\n" << roff(example.term) << "\n.EE\n.RS\n" << roff(example.text) << "\n.RE\n";
  out << ".SH \"VER TAMBÉM\"\n.BR quelvara (1)\n";
  out.close();
  if (!out) {
    std::cerr << "man-page: cannot write " << argv[1] << '\n';
    return 1;
  }
  return 0;
}
