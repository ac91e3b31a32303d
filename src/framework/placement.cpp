#include "framework/placement.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "runtime/error.h"

namespace quelvara::framework {

namespace {

using graphics::Handle;
using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

constexpr double two_thirds = 2.0 / 3.0;

constexpr std::array<const char*, 10> position_names = {
    "north", "south", "east", "west", "northeast", "southeast", "northwest", "southwest", "center", "onscreen"};

// Sets "Units" to pixels for as long as it lives, then puts the old value back.
class PixelUnits {
 public:
  explicit PixelUnits(Handle h) : h_(h), old_(graphics::get(h, "Units")) {
    graphics::set(h, "Units", Value("pixels"));
  }
  ~PixelUnits() {
    if (graphics::ishandle(h_)) graphics::set(h_, "Units", old_);
  }
  PixelUnits(const PixelUnits&) = delete;
  PixelUnits& operator=(const PixelUnits&) = delete;

 private:
  Handle h_;
  Value old_;
};

std::array<double, 4> rect(const Value& v) {
  const auto& d = v.array().data();
  return {d.at(0), d.at(1), d.at(2), d.at(3)};
}

Value rect_value(double l, double b, double w, double h) { return Array::row({l, b, w, h}); }

std::array<double, 4> screen_size(const char* property) {
  PixelUnits pixels(graphics::root_handle);
  return rect(graphics::get(graphics::root_handle, property));
}

}  // namespace

void centrarcaixas(Handle figure) {
  if (!graphics::ishandle(figure)) throw RuntimeError("centrarcaixas: the handle of a window is required.");
  PixelUnits pixels(figure);
  const auto own = rect(graphics::get(figure, "Position"));
  const double w = own[2], h = own[3];
  double left = 0, bottom = 0;
  const auto caller = graphics::gcbf();
  if (!caller) {
    const auto screen = screen_size("ScreenSize");
    left = 0.5 * (screen[2] - w);
    bottom = two_thirds * (screen[3] - h);
  } else {
    std::array<double, 4> over{};
    if (*caller == figure) {
      over = own;
    } else {
      PixelUnits caller_pixels(*caller);
      over = rect(graphics::get(*caller, "Position"));
    }
    left = over[0] + over[2] / 2 - w / 2;
    bottom = over[1] + over[3] / 2 - h / 2;
  }
  graphics::set(figure, "Position", rect_value(left, bottom, w, h));
}

void movegui(const std::vector<Value>& args) {
  if (args.size() > 3) throw RuntimeError("Too many input arguments.");
  std::optional<Handle> window;
  std::optional<std::string> name;
  std::optional<std::array<double, 2>> offset;
  const bool in_callback = graphics::gcbf().has_value();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Value& a = args[i];
    const std::size_t n = a.is_array() ? a.array().numel() : 0;
    if (a.is_array() && !a.is_text() && n == 1 && graphics::ishandle(a.number())) {
      window = get_parent_figure(a);
      if (!window) throw RuntimeError("handle of figure or descendant required");
    } else if (a.is_text()) {
      const std::string s = a.text();
      if (std::find_if(position_names.begin(), position_names.end(),
                       [&](const char* p) { return s == p && a.array().rows() == 1; }) == position_names.end())
        throw RuntimeError("unrecognized position");
      name = s;
      offset.reset();
    } else if (a.is_array() && n == 2) {
      offset = std::array<double, 2>{a.array()(1), a.array()(2)};
      name.reset();
    } else if (in_callback && i == 1) {
      // The event value of a callback.
    } else {
      throw RuntimeError("unrecognized input argument");
    }
  }
  const Handle fig = window ? *window : graphics::gcbf() ? *graphics::gcbf() : graphics::gcf();
  if (!offset && !name) name = "onscreen";

  graphics::drawnow();
  if (!graphics::ishandle(fig)) return;  // closed while events ran
  const Value active = graphics::get(fig, "activepositionproperty");
  std::array<double, 4> r{};
  {
    PixelUnits pixels(fig);
    // The view reports every window's frame, so the outer rectangle is read directly.
    r = rect(graphics::get(fig, "outerposition"));
    const auto screen = screen_size("screensize");
    const double sw = screen[2], sh = screen[3];
    const double fw = std::min(r[2], sw), fh = std::min(r[3], sh);
    const double rw = sw - fw, rh = sh - fh;
    double left = 0, bottom = 0;
    if (offset) {
      left = (*offset)[0] < 0 ? rw + (*offset)[0] : (*offset)[0];
      bottom = (*offset)[1] < 0 ? rh + (*offset)[1] : (*offset)[1];
    } else if (*name == "north") {
      left = rw / 2, bottom = rh;
    } else if (*name == "south") {
      left = rw / 2, bottom = 0;
    } else if (*name == "east") {
      left = rw, bottom = rh / 2;
    } else if (*name == "west") {
      left = 0, bottom = rh / 2;
    } else if (*name == "northeast") {
      left = rw, bottom = rh;
    } else if (*name == "southeast") {
      left = rw, bottom = 0;
    } else if (*name == "northwest") {
      left = 0, bottom = rh;
    } else if (*name == "southwest") {
      left = 0, bottom = 0;
    } else if (*name == "center") {
      left = rw / 2, bottom = rh / 2;
    } else {  // onscreen
      left = std::min(std::max(r[0], 0.0), rw);
      bottom = std::min(std::max(r[1], 0.0), rh);
    }
    graphics::set(fig, "outerposition", rect_value(left, bottom, fw, fh));
  }
  graphics::set(fig, "activepositionproperty", active);
}

}  // namespace quelvara::framework
