#pragma once
// What every unit must satisfy before it goes into the database, so that joining, smoothing,
// planning and overlap-add can rely on it.
#include <string>

#include "synthesis/unit_database.h"

namespace quelvara::tools {

inline constexpr double peak_limit = 0.9;

// Empty when the unit is fit for the database, else the first fault found, in Portuguese.
// `period` is the donor's pitch period: a unit that ends voiced must end one period after its
// last mark, so that the next unit's first mark continues the grid.
std::string check_unit(const synthesis::UnitData& unit, double period);

}  // namespace quelvara::tools
