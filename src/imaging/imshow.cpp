#include "imaging/imshow.h"

#include <algorithm>

#include "graphics/callbacks.h"
#include "imaging/image_value.h"
#include "imaging/preferences.h"
#include "imaging/truesize.h"
#include "runtime/argument_count.h"
#include "runtime/error.h"

namespace quelvara::imaging {

using graphics::Handle;
using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

namespace {

constexpr const char* not_an_image = "imshow: the argument is not an image.";

Handle current_axes_or_new() {
  const Handle figure = graphics::gcf();
  if (const auto axes = graphics::current_axes(figure)) return *axes;
  const Handle axes = graphics::create_object("axes", figure);
  graphics::axes(axes);
  return axes;
}

bool alone_in_window(Handle axes) {
  const auto figure = graphics::ancestor_figure(axes);
  return figure && graphics::findall(*figure, "image").size() == 1 && graphics::findall(*figure, "axes").size() == 1;
}

}  // namespace

Handle show_image(const Value& image) {
  const auto size = image_size(image);
  if (!size) throw RuntimeError(not_an_image);
  const Handle axes = current_axes_or_new();
  for (Handle child : graphics::children_of(axes))
    if (graphics::ishandle(child) && graphics::type_of(child) == "image") graphics::delete_object(child);

  const double rows = static_cast<double>(size->rows), cols = static_cast<double>(size->cols);
  const Handle picture = graphics::create_object("image", axes);
  graphics::set(picture, "XData", Value(Array::row({1, cols})));
  graphics::set(picture, "YData", Value(Array::row({1, rows})));
  graphics::set(picture, "CData", image);
  // Pixel centres sit on whole coordinates, so the picture reaches half a pixel past them.
  graphics::set(axes, "XLim", Value(Array::row({0.5, cols + 0.5})));
  graphics::set(axes, "YLim", Value(Array::row({0.5, rows + 0.5})));
  graphics::set(axes, "XTick", Value(Array()));
  graphics::set(axes, "YTick", Value(Array()));

  const Value fit = preference(imshow_truesize);
  if (fit.is_text("auto") && alone_in_window(axes)) fit_axes_to_image(axes, picture);
  return picture;
}

std::vector<Value> imshow_parse_inputs(int, std::vector<Value> args) {
  if (args.empty()) return {Value(), Value(runtime::not_enough_inputs)};
  if (args.size() > 1) return {Value(), Value("imshow: only the image is accepted, without options.")};
  if (!image_size(args[0])) return {Value(), Value(not_an_image)};
  return {args[0], Value("")};
}

std::vector<Value> imshow_is_vector(int, std::vector<Value> args) {
  if (args.empty()) throw RuntimeError(runtime::not_enough_inputs);
  const Value& x = args[0];
  bool vector = true;  // a record or a function reference is one element
  if (x.is_array()) vector = std::min(x.array().rows(), x.array().cols()) == 1;
  if (x.is_cell()) vector = !x.cell().items.empty();
  return {Value(vector ? 1.0 : 0.0)};
}

std::vector<Value> imshow_single_image_default_pos(int, std::vector<Value> args) {
  if (args.size() < 2) throw RuntimeError(runtime::not_enough_inputs);
  if (!graphics::is_single_handle(args[0]) || !graphics::is_single_handle(args[1]))
    throw RuntimeError("imshow: the figure and the axes must be existing objects.");
  const Handle axes = args[1].number();
  const bool alone = graphics::type_of(axes) == "axes" &&
                     graphics::ancestor_figure(axes) == std::optional<Handle>(args[0].number()) &&
                     alone_in_window(axes);
  return {Value(alone ? 1.0 : 0.0)};
}

std::vector<Value> imshow(int, std::vector<Value> args) {
  const auto parsed = imshow_parse_inputs(2, std::move(args));
  if (!parsed[1].is_empty()) throw RuntimeError(parsed[1].text());
  return {Value(show_image(parsed[0]))};
}

}  // namespace quelvara::imaging
