#pragma once
// Display preferences of the image functions: their names and defaults (qorprefs), the values
// set in this session (qorregistry) and the value in force (qorgetpref).
#include <string>
#include <vector>

#include "runtime/value.h"

namespace quelvara::imaging {

// "ImshowTruesize": "auto" fits every picture imshow shows alone in its window to its axes
// (truesize); "manual" leaves the axes as they are.
inline constexpr const char* imshow_truesize = "ImshowTruesize";

// The preferences with their default values, as a record.
runtime::Record preference_defaults();

// The value in force of a preference named in any letter case. Fails with
// "Unknown preference \"<name>\"." for a name that is none.
runtime::Value preference(const std::string& name);
// Sets the value of a preference for the rest of the session (same failure).
void set_preference(const std::string& name, runtime::Value value);
// Forgets the values set, back to the defaults; for tests.
void reset_preferences();

// By name.
std::vector<runtime::Value> qorprefs(int nargout, std::vector<runtime::Value> args);
// qorregistry(name) gives the value set (empty when none); qorregistry(name, value) sets it.
std::vector<runtime::Value> qorregistry(int nargout, std::vector<runtime::Value> args);
// qorgetpref(name): the value in force.
std::vector<runtime::Value> qorgetpref(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::imaging
