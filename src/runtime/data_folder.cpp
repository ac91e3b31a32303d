#include "runtime/data_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace quelvara::runtime {

namespace {

bool holds(const fs::path& folder, const fs::path& name) {
  std::error_code ec;
  return fs::exists(folder / name, ec);
}

}  // namespace

const char* data_override() {
  const char* folder = std::getenv(data_variable);
  return folder && *folder ? folder : nullptr;
}

fs::path beside_executable(const fs::path& relative) {
  std::error_code ec;
  const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
  if (ec || executable.empty()) return {};
  return (executable.parent_path() / relative).lexically_normal();
}

const fs::path& installed_data_folder() {
  static const fs::path folder = beside_executable(QUELVARA_DATA_FROM_BIN);
  return folder;
}

fs::path data_folder_for(const fs::path& name) {
  if (const char* folder = data_override()) return folder;
  if (holds(".", name)) return ".";
  const fs::path& installed = installed_data_folder();
  if (!installed.empty() && holds(installed, name)) return installed;
  return ".";
}

fs::path data_file(const fs::path& name) {
  if (name.is_absolute()) return name;
  const fs::path folder = data_folder_for(name);
  return folder == "." ? name : folder / name;
}

std::string data_folder_problem() {
  const char* folder = data_override();
  if (!folder) return {};
  const std::string named = std::string(data_variable) + " indica a pasta «" + folder + "», ";
  std::error_code ec;
  const auto status = fs::status(folder, ec);
  if (!fs::exists(status)) return named + "que não existe";
  if (!fs::is_directory(status)) return named + "que não é uma pasta";
  if (::access(folder, R_OK | X_OK) != 0) return named + "que não pode ser lida";
  return {};
}

}  // namespace quelvara::runtime
