#pragma once
// Where the program's read-only files are read from: the layouts, the pictures and the diphone
// database bd/. The working folder comes first when it holds the file, as in the runnable
// folder build/app; then the installed data folder, found from the executable's own place
// (<prefix>/bin/quelvara reads <prefix>/share/quelvara), so that a moved prefix still works.
// QUELVARA_DATA, when set, names the one folder read instead of both.
#include <filesystem>
#include <string>

namespace quelvara::runtime {

inline constexpr const char* data_variable = "QUELVARA_DATA";

// QUELVARA_DATA when it is set; an empty value counts as unset.
const char* data_override();

// The folder that a relative name is read from: QUELVARA_DATA when it is set; otherwise the
// working folder (".") when it holds the name; otherwise the installed data folder when that
// holds it; otherwise ".", so that a failure names the file as it was given.
std::filesystem::path data_folder_for(const std::filesystem::path& name);

// The name as it is opened: the name itself when it is absolute or read from the working
// folder, otherwise joined to the folder that holds it.
std::filesystem::path data_file(const std::filesystem::path& name);

// The installed data folder (<folder of the executable>/../share/quelvara, as the build
// installs it); empty when the executable's place cannot be told.
const std::filesystem::path& installed_data_folder();

// The folder at relative from the folder that holds the running executable; empty when the
// executable's place cannot be told.
std::filesystem::path beside_executable(const std::filesystem::path& relative);

// A message for the user when QUELVARA_DATA names a folder that does not exist or cannot be
// read; empty when it is unset or names a readable folder.
std::string data_folder_problem();

}  // namespace quelvara::runtime
