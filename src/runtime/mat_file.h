#pragma once
// MAT-file access for diphone units: a reader for every valid level-4 or level-5 file, and
// the writer of the layout the database builder uses.
#include <cstddef>
#include <filesystem>
#include <optional>

#include "synthesis/unit_database.h"

namespace quelvara::runtime {

// Reads dfn, trm and vzmt from a unit file; any numeric class, either vector orientation.
// nullopt when the file is missing, not a MAT-file, lacks a variable, holds a non-vector or
// non-numeric value, or vectors of different lengths. Whether the unit can be joined (its marks,
// its values: synthesis::unit_is_usable) is the analysis's to judge.
std::optional<synthesis::UnitData> read_unit_file(const std::filesystem::path& file);

// The number of samples of a unit file in the layout write_unit_file gives, read from its first
// bytes only; nullopt for any other layout or a file that cannot be read. A hint for reserving
// memory before the units are loaded: the file itself is checked only when it is read.
std::optional<std::size_t> unit_file_length(const std::filesystem::path& file);

// Writes a unit as a level-5 MAT-file laid out for reading: no compression, dfn a column, trm
// and vzmt rows, in that order, each in the narrowest element type that holds its values
// exactly (the arrays stay doubles). The file carries no time stamp, so equal units give equal
// bytes. Returns false on failure.
bool write_unit_file(const std::filesystem::path& file, const synthesis::UnitData& unit);

}  // namespace quelvara::runtime
