#include "imaging/truesize.h"

#include <algorithm>
#include <cmath>

#include "runtime/argument_count.h"
#include "runtime/error.h"

namespace quelvara::imaging {

using graphics::Handle;
using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

namespace {

bool is_size(const Value& v) {
  if (!v.is_array() || v.is_text() || v.array().numel() != 2) return false;
  return std::all_of(v.array().data().begin(), v.array().data().end(),
                     [](double x) { return std::isfinite(x) && x >= 1; });
}

std::optional<ImageSize> size_of(const Value& v) {
  if (!is_size(v)) return std::nullopt;
  return ImageSize{static_cast<std::size_t>(v.array()(1)), static_cast<std::size_t>(v.array()(2))};
}

std::vector<Value> refused(std::string message) { return {Value(), Value(), Value(), Value(), Value(message)}; }

}  // namespace

void fit_axes_to_image(Handle axes, Handle image, std::optional<ImageSize> size) {
  if (!size) size = image_size(graphics::get(image, "CData"));
  if (!size || size->rows == 0 || size->cols == 0) throw RuntimeError("truesize: the image holds no picture.");
  const graphics::Rect box = graphics::pixel_position(axes);
  double width = static_cast<double>(size->cols), height = static_cast<double>(size->rows);
  if (width > box.width || height > box.height) {
    const double scale = std::min(box.width / width, box.height / height);
    width = std::floor(width * scale);
    height = std::floor(height * scale);
  }
  graphics::set_pixel_position(axes, {box.left + std::floor((box.width - width) / 2),
                                      box.bottom + std::floor((box.height - height) / 2), width, height});
}

std::vector<Value> truesize_parse_inputs(int, std::vector<Value> args) {
  if (args.size() > 2) return refused(runtime::too_many_inputs);
  std::optional<Handle> figure;
  Value size;
  for (const Value& a : args) {
    if (!figure && size.is_empty() && graphics::is_single_handle(a) &&
        graphics::type_of(a.number()) == "figure") {
      figure = a.number();
    } else if (size.is_empty() && is_size(a)) {
      size = a;
    } else {
      return refused("truesize: expected a window and the size [rows columns].");
    }
  }
  if (!figure) figure = graphics::gcf();
  const auto images = graphics::findall(*figure, "image");
  if (images.size() != 1) return refused("truesize: the window must hold exactly one image.");
  const Handle image = images.front();
  const Handle axes = *graphics::parent_of(image);
  return {Value(*figure), Value(axes), Value(image), size, Value("")};
}

std::vector<Value> truesize_resize1(int, std::vector<Value> args) {
  if (args.size() < 2) throw RuntimeError(runtime::not_enough_inputs);
  if (!graphics::is_single_handle(args[0]) || !graphics::is_single_handle(args[1]))
    throw RuntimeError("truesize: the axes and the image must be existing objects.");
  fit_axes_to_image(args[0].number(), args[1].number(), args.size() > 2 ? size_of(args[2]) : std::nullopt);
  return {};
}

std::vector<Value> truesize_resize2(int, std::vector<Value>) {
  throw RuntimeError("truesize/Resize2 has no part in this image display: truesize fits a picture with truesize/Resize1.");
}

std::vector<Value> truesize_resize3(int, std::vector<Value>) {
  throw RuntimeError("truesize/Resize3 has no part in this image display: truesize fits a picture with truesize/Resize1.");
}

std::vector<Value> truesize(int, std::vector<Value> args) {
  const auto parsed = truesize_parse_inputs(5, std::move(args));
  if (!parsed[4].is_empty()) throw RuntimeError(parsed[4].text());
  truesize_resize1(0, {parsed[1], parsed[2], parsed[3]});
  return {};
}

}  // namespace quelvara::imaging
