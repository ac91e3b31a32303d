#include "runtime/file_names.h"

#include <system_error>

#include "runtime/platform.h"

namespace quelvara::runtime {

FileParts fileparts(std::string_view file) {
  FileParts parts;
  std::size_t last_separator = std::string_view::npos;
  for (std::size_t i = 0; i < file.size(); ++i)
    if (is_separator(file[i])) last_separator = i;
  std::string_view base = file;
  if (last_separator != std::string_view::npos) {
    parts.path = std::string(file.substr(0, last_separator == 0 ? 1 : last_separator));
    base = file.substr(last_separator + 1);
  }
  const std::size_t dot = base.rfind('.');
  if (dot == std::string_view::npos) {
    parts.name = std::string(base);
  } else {
    parts.name = std::string(base.substr(0, dot));
    parts.ext = std::string(base.substr(dot));
  }
  return parts;
}

std::string fullfile(std::initializer_list<std::string_view> parts) {
  const char separator = ispc() ? '\\' : '/';
  std::string out;
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    if (out.empty()) {
      out = std::string(part);
      continue;
    }
    const bool ends = is_separator(out.back());
    const bool starts = is_separator(part.front());
    if (ends && starts)
      part.remove_prefix(1);
    else if (!ends && !starts)
      out += separator;
    out += part;
  }
  return out;
}

std::filesystem::path host_path(std::string_view name) {
  std::string s(name);
  if (!ispc())
    for (char& c : s)
      if (c == '\\') c = '/';
  return std::filesystem::path(s);
}

int exist(std::string_view name) {
  if (name.empty()) return 0;
  std::error_code ec;
  const auto status = std::filesystem::status(host_path(name), ec);
  if (ec || !std::filesystem::exists(status)) return 0;
  return std::filesystem::is_directory(status) ? 7 : 2;
}

}  // namespace quelvara::runtime
