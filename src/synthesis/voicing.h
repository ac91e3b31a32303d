#pragma once
// The voicing codes of a unit (vzmt) and of the joined row (vzmto): which samples are voiced.
// Joining, the unit checks, planning, the analysis window and the database builder all read the
// codes by this one rule.

namespace quelvara::synthesis {

// Codes above 2 are voiced: the whole codes 3 and up, and any code between 2 and 3 that a
// database from elsewhere may hold. Noise is 1 (up to 2), silence 0.
constexpr bool is_voiced(double code) { return code > 2; }

}  // namespace quelvara::synthesis
