#pragma once
// Comparison, letter test and lower case of texts.
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace quelvara::runtime {

// Whole, case-sensitive equality of two texts; false when either is not a character array.
bool strcmp(const Value& a, const Value& b);

// True for the letters of the Latin alphabets (ASCII and accented Latin letters).
bool is_letter(char32_t c);
// 1 for each character that is a letter, 0 for every other element; same shape. A numeric
// array gives all zeros.
Array isletter(const Array& a);

// Upper-case letters (ASCII and the accented letters of Latin-1) turned to lower case; other elements unchanged.
Array lower(const Array& a);
std::string lower(std::string_view utf8);

}  // namespace quelvara::runtime
