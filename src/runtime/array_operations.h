#pragma once
// Element-wise and reducing operations on numeric arrays.
#include <cstddef>

#include "runtime/value.h"

namespace quelvara::runtime {

// x rounded to the nearest integer, halves away from zero.
double nearest(double x);

// The 1-based linear positions of the nonzero elements, in order: a row for a row, otherwise a
// column; the empty array when there are none.
Array find(const Array& a);

// The arithmetic mean of a vector (a 1x1 array); of a matrix, the row of its column means.
// The empty array gives NaN.
Array mean(const Array& a);

Array zeros(std::size_t rows, std::size_t cols);
Array floor(const Array& a);
Array round(const Array& a);  // halves away from zero

}  // namespace quelvara::runtime
