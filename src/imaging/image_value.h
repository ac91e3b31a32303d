#pragma once
// Image arrays as values: a true-colour picture is a cell row of its red, green and blue
// planes, a grey one a single plane; each plane is rows x columns, values 0 to 255.
#include <cstddef>
#include <optional>

#include "runtime/value.h"

namespace quelvara::imaging {

struct ImageSize {
  std::size_t rows = 0, cols = 0;
  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// The size of an image array; nullopt for a value that is none (planes of unequal size, an
// empty or non-numeric plane, a cell that is not 1 or 3 planes).
std::optional<ImageSize> image_size(const runtime::Value& image);

}  // namespace quelvara::imaging
