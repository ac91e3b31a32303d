#pragma once
// Write failures and the writer's warning, said in Portuguese: the writer's own messages stay in
// English, as a library's do, and the command line names the file and the operating system's
// reason in the user's language.
#include <filesystem>
#include <string>
#include <system_error>

namespace quelvara::cli {

// "não foi possível <doing>", and the operating system's reason in Portuguese when there is one
// ("não há espaço no disco").
std::string write_failure(const std::string& doing, std::error_code reason);

// The writer's clipping warning for the file name.
std::string clipping_warning(const std::string& name);

// Why no file can be made in the folder of path (missing, not a folder, not writable); empty
// when it can, as far as can be told before writing.
std::string folder_problem(const std::filesystem::path& path);

}  // namespace quelvara::cli
