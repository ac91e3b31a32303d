#include "imaging/image_value.h"

namespace quelvara::imaging {

namespace {

bool is_plane(const runtime::Value& v) { return v.is_array() && !v.is_text() && !v.is_empty(); }

}  // namespace

std::optional<ImageSize> image_size(const runtime::Value& image) {
  if (is_plane(image)) return ImageSize{image.array().rows(), image.array().cols()};
  if (!image.is_cell()) return std::nullopt;
  const auto& planes = image.cell().items;
  if (planes.size() != 1 && planes.size() != 3) return std::nullopt;
  if (!is_plane(planes.front())) return std::nullopt;
  const ImageSize size{planes.front().array().rows(), planes.front().array().cols()};
  for (const auto& p : planes)
    if (!is_plane(p) || ImageSize{p.array().rows(), p.array().cols()} != size) return std::nullopt;
  return size;
}

}  // namespace quelvara::imaging
