#pragma once
// What quelvara-synth says about itself: its synopsis, description, argument, options, exit
// statuses, environment, files and examples. --help prints them and the build makes the manual
// page from them (tools/man-page), so that both say the same things.
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::cli::usage {

// One item of a list: the term (an option's names, a status, a variable, a file, a command),
// the value an option takes (empty for none) and what the item means.
struct Item {
  std::string_view term;
  std::string_view value;
  std::string_view text;
};

// In texts, this stands for the installed data folder (/usr/share/quelvara when installed under
// /usr): --help puts the folder the program would read, the manual page the installed one.
inline constexpr std::string_view data_folder_mark = "{dados}";

inline constexpr std::string_view program = "quelvara-synth";
extern const std::string_view summary;                   // one line, without the program's name
extern const std::string_view synopsis;                  // after the program's name
extern const std::vector<std::string_view> description;  // paragraphs
extern const Item argument;
extern const std::vector<Item> options;
extern const std::vector<Item> statuses;
extern const std::vector<Item> environment;
extern const std::vector<Item> files;
extern const std::vector<Item> examples;  // a command, and what it does

// The text with every data_folder_mark replaced by folder.
std::string with_data_folder(std::string_view text, std::string_view folder);

// The --help text, wrapped for a terminal of 80 columns. data_folder is the installed data
// folder; database is a sentence saying which database the program reads without --bd.
std::string help_text(std::string_view version, std::string_view data_folder, std::string_view database);

}  // namespace quelvara::cli::usage
