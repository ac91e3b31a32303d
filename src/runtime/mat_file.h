#pragma once
// MAT-file access for diphone units (libmatio).
#include <cstddef>
#include <deque>
#include <filesystem>
#include <optional>
#include <utility>

#include "synthesis/unit_database.h"

namespace quelvara::runtime {

// Reads dfn, trm and vzmt from a unit file; any numeric class, either vector orientation.
// nullopt when the file is missing, not a MAT-file, lacks a variable, holds a non-vector or
// non-numeric value, or fails unit_is_usable.
std::optional<synthesis::UnitData> read_unit_file(const std::filesystem::path& file);

// The number of samples of a unit file in the layout write_unit_file gives, read from its first
// bytes only; nullopt for any other layout or a file that cannot be read. A hint for reserving
// memory before the units are loaded: the file itself is checked only when it is read.
std::optional<std::size_t> unit_file_length(const std::filesystem::path& file);

// The two readings of an analysis, with each unit file opened once: length() keeps the file it
// opened for the read() of the same file that follows, so that a text's unit files, their
// lengths told first, are each opened once rather than twice. The files are still read whole
// when read() comes. For one analysis at a time (pass length and read to synthesis::analyse);
// what is kept closes with the object. At most most_kept files are kept open; the rest are
// opened again.
class UnitFiles {
 public:
  static constexpr std::size_t most_kept = 512;
  UnitFiles() = default;
  UnitFiles(const UnitFiles&) = delete;
  UnitFiles& operator=(const UnitFiles&) = delete;
  ~UnitFiles();

  std::optional<std::size_t> length(const std::filesystem::path& file);  // as unit_file_length
  std::optional<synthesis::UnitData> read(const std::filesystem::path& file);  // as read_unit_file

 private:
  std::deque<std::pair<std::filesystem::path::string_type, int>> kept_;  // in the order told
};

// Writes a unit as a level-5 MAT-file laid out for reading: no compression, dfn a column, trm
// and vzmt rows, in that order, each in the narrowest element type that holds its values
// exactly (the arrays stay doubles). The file carries no time stamp, so equal units give equal
// bytes. Returns false on failure.
bool write_unit_file(const std::filesystem::path& file, const synthesis::UnitData& unit);

}  // namespace quelvara::runtime
