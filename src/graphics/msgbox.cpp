#include "graphics/msgbox.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "graphics/callbacks.h"

namespace quelvara::graphics {

namespace {

using runtime::FunctionRef;
using runtime::Value;

// Character count of UTF-8 text.
double characters(std::string_view s) {
  return static_cast<double>(std::count_if(s.begin(), s.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

FunctionRef close_box() {
  return {"msgbox/OK", std::make_shared<runtime::Function>([](int, std::vector<Value>) {
            if (const auto f = gcbf(); f && ishandle(*f)) delete_object(*f);
            return std::vector<Value>{};
          })};
}

}  // namespace

Handle msgbox(std::string_view message, std::string_view title) {
  const double text_width = std::clamp(characters(message) * 7 + 10, 160.0, 600.0);
  const double lines = std::ceil(characters(message) * 7 / 590.0);
  const double text_height = 18 * std::max(1.0, lines);
  const double width = text_width + 20, height = text_height + 60;

  const Handle fig = create_object("figure", root_handle);
  const Rect screen = pixel_position(root_handle);
  set(fig, "Name", Value(title));
  set(fig, "Tag", Value("msgbox"));
  set(fig, "MenuBar", Value("none"));
  set(fig, "NumberTitle", Value("off"));
  set(fig, "Resize", Value("off"));
  // Its wait is modal, and Enter or Escape closes it.
  set(fig, "WindowStyle", Value("modal"));
  set(fig, "DefaultButton", Value("OKButton"));
  set(fig, "CancelButton", Value("OKButton"));
  set(fig, "HandleVisibility", Value("callback"));
  set_pixel_position(fig, {std::floor((screen.width - width) / 2), std::floor((screen.height - height) / 2),
                           width, height});

  const Handle text = create_object("uicontrol", fig);
  set(text, "Style", Value("text"));
  set(text, "Tag", Value("MessageBox"));
  set(text, "String", Value(message));
  set(text, "HorizontalAlignment", Value("left"));
  set_pixel_position(text, {10, 45, text_width, text_height});

  const Handle ok = create_object("uicontrol", fig);
  set(ok, "Style", Value("pushbutton"));
  set(ok, "Tag", Value("OKButton"));
  set(ok, "String", Value("OK"));
  set(ok, "Callback", Value(close_box()));
  set_pixel_position(ok, {std::floor((width - 60) / 2), 10, 60, 24});

  set(fig, "Visible", Value("on"));
  return fig;
}

}  // namespace quelvara::graphics
