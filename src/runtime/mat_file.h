#pragma once
// MAT-file access for diphone units (libmatio).
#include <filesystem>
#include <optional>

#include "synthesis/unit_database.h"

namespace quelvara::runtime {

// Reads dfn, trm and vzmt from a unit file; any numeric class, either vector orientation.
// nullopt when the file is missing, not a MAT-file, lacks a variable, holds a non-vector or
// non-numeric value, or fails unit_is_usable.
std::optional<synthesis::UnitData> read_unit_file(const std::filesystem::path& file);

// Writes a unit as a level-5 compressed MAT-file: dfn a column, trm and vzmt rows, all doubles.
// The file carries no time stamp, so equal units give equal bytes. Returns false on failure.
bool write_unit_file(const std::filesystem::path& file, const synthesis::UnitData& unit);

}  // namespace quelvara::runtime
