#pragma once
// The argument-count check that functions with a range of call forms run first.
#include <string>

namespace quelvara::runtime {

inline constexpr const char* not_enough_inputs = "Not enough input arguments.";
inline constexpr const char* too_many_inputs = "Too many input arguments.";

// The message for n arguments outside [low, high], or "" when n is within.
std::string nargchk(int low, int high, int n);

// Raises the message of nargchk through the error handler when it is not empty.
void check_argument_count(int low, int high, int n);

}  // namespace quelvara::runtime
