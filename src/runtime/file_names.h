#pragma once
// File names: splitting and joining, the host form of the system's Windows-style names, and the
// existence test.
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quelvara::runtime {

// "/" and "\" both separate folders in the names the system builds.
inline constexpr bool is_separator(char c) { return c == '/' || c == '\\'; }

struct FileParts {
  std::string path;  // the folder, without its final separator ("" when none; "/" for the root)
  std::string name;  // the base name
  std::string ext;   // from the last "." of the base name on, "." included ("" when none)
};
FileParts fileparts(std::string_view file);

// The parts joined by the platform's separator, with no doubled separator where they meet;
// empty parts are left out.
std::string fullfile(std::initializer_list<std::string_view> parts);

// The name as the host file system reads it: on systems other than Windows "\" becomes "/",
// so ".\bd\oclus\1020.mat" names bd/oclus/1020.mat under the working directory.
std::filesystem::path host_path(std::string_view name);

// 2 when a file of that name exists, 7 for a folder, 0 when nothing of that name exists.
int exist(std::string_view name);

}  // namespace quelvara::runtime
