#pragma once
// The plain-text index beside bd/: one line per unit (pair, symbols, file, length, marks, the
// cut in its carrier, the carrier, the marks' coherence, the peak, where the second phone
// begins). It is written last and only for a complete database, so it stands for one.
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "tools/quelvara-bd/unit_builder.h"

namespace quelvara::tools {

inline constexpr const char* index_name = "bd-index.txt";

using IndexLines = std::map<std::pair<int, int>, std::string>;

std::string index_line(int fonum1, int fonum2, const BuiltUnit& unit);

// The lines of an earlier build, by pair (none when there is no index).
IndexLines read_index(const std::filesystem::path& file);

// Writes the index through a temporary file and a rename; false on failure.
bool write_index(const std::filesystem::path& file, const IndexLines& lines);

}  // namespace quelvara::tools
