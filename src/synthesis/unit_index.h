#pragma once
// The database builder's index beside bd/ (bd-index.txt), as far as the analysis needs it:
// where the second phone of each unit begins. With it, a phone of the joined signal runs
// between the real phone boundaries rather than between the middles of its two units.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "synthesis/text_reader.h"

namespace quelvara::synthesis {

inline constexpr const char* unit_index_name = "bd-index.txt";

class UnitIndex {
 public:
  // The index of the database under database_root (the folder that holds bd/); nullopt when
  // there is none or it has no column "fronteira".
  static std::optional<UnitIndex> read(const std::filesystem::path& database_root);
  // The index's text: a header line "# ..." naming the columns (tab-separated), then one line
  // per unit starting "<fonum1>-<fonum2>"; lines it cannot read are left out.
  static std::optional<UnitIndex> parse(std::string_view text);

  // The unit's sample where its second phone begins, if the index gives one.
  std::optional<std::size_t> boundary(int fonum1, int fonum2) const;

 private:
  static constexpr std::uint32_t none = UINT32_MAX;
  std::array<std::uint32_t, 46 * 46> boundaries_{};
};

// Where the second phone begins in each unit of a text (unit lengths limdf, in the reading's
// order): from the index, or the unit's middle where it has none or gives a sample outside
// the unit.
std::vector<std::size_t> unit_boundaries(const Reading& reading, std::span<const std::size_t> limdf,
                                         const UnitIndex* index);

// Where each phone of the joined signal begins (0-based): the first at 0, each next one at its
// unit's boundary.
std::vector<std::size_t> phone_starts(std::span<const std::size_t> limdf, std::span<const std::size_t> boundaries);

}  // namespace quelvara::synthesis
