#pragma once
// The diphone database that quelvara-synth reads: the folder given with --bd, or else the one
// the program's data lookup finds (QUELVARA_DATA, the working folder, the installed folder).
#include <filesystem>
#include <string>

namespace quelvara::cli {

// The folder that holds bd/ when --bd is not given.
std::filesystem::path default_database_folder();

// For --help: which database is read without --bd, and from where.
std::string default_database_sentence();

// Why the database in folder (the one given with --bd when chosen, else the default one) cannot
// be read: QUELVARA_DATA names no readable folder, or there is no bd/, said with the places
// looked in and how to choose another. Empty when it can be read.
std::string database_problem(const std::filesystem::path& folder, bool chosen);

}  // namespace quelvara::cli
