#pragma once
// Conversions between numbers and their text.
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace quelvara::runtime {

// A whole number gives its decimal digits ("12", "-3"); other numbers up to four decimals
// ("0.5", "3.1416"); "NaN", "Inf", "-Inf".
std::string num2str(double x);

// Reads a text as a row of numbers: decimal numbers (point "."; optional sign and exponent)
// separated by blanks or by single commas. Anything else, including the empty text, gives the
// empty array. The text is only read, never run.
Array str2num(std::string_view text);

}  // namespace quelvara::runtime
