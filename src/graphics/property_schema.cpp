#include "graphics/property_schema.h"

#include <cctype>
#include <map>

#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

using runtime::Array;
using runtime::Cell;
using runtime::RuntimeError;
using runtime::Value;

Value color(double r, double g, double b) { return Array::row({r, g, b}); }

const std::vector<std::string> on_off = {"on", "off"};
const std::vector<std::string> units = {"pixels",      "normalized", "points",
                                        "inches",      "centimeters", "characters"};

PropertyRule text(std::string name, std::string initial = "") {
  return {std::move(name), Value(initial), PropertyKind::text, {}};
}
PropertyRule choice(std::string name, std::vector<std::string> choices) {
  Value initial(choices.front());
  return {std::move(name), initial, PropertyKind::choice, std::move(choices)};
}
PropertyRule callback(std::string name) { return {std::move(name), Value(), PropertyKind::callback, {}}; }
PropertyRule number(std::string name, double initial) {
  return {std::move(name), Value(initial), PropertyKind::number, {}};
}

// Properties every object below the root has.
std::vector<PropertyRule> common(std::string default_units) {
  std::vector<std::string> unit_choices = units;
  std::erase(unit_choices, default_units);
  unit_choices.insert(unit_choices.begin(), default_units);
  return {text("Tag"),
          choice("Visible", on_off),
          choice("HandleVisibility", {"on", "callback", "off"}),
          choice("Units", unit_choices),
          {"UserData", Value(), PropertyKind::any, {}},
          callback("CreateFcn"),
          callback("DeleteFcn"),
          callback("ButtonDownFcn"),
          choice("BusyAction", {"queue", "cancel"}),
          choice("Interruptible", on_off)};
}

std::map<std::string, std::vector<PropertyRule>, std::less<>> make_schema() {
  std::map<std::string, std::vector<PropertyRule>, std::less<>> schema;
  schema["root"] = {choice("Units", units),
                    choice("DefaultFigureVisible", on_off),
                    {"DefaultUicontrolBackgroundColor", color(0.94, 0.94, 0.94), PropertyKind::color, {}},
                    choice("ShowHiddenHandles", {"off", "on"}),
                    text("Tag"),
                    {"UserData", Value(), PropertyKind::any, {}}};

  auto figure = common("pixels");
  figure.push_back(text("Name"));
  figure.push_back({"Color", color(0.94, 0.94, 0.94), PropertyKind::color, {}});
  figure.push_back(choice("NumberTitle", on_off));
  figure.push_back(choice("MenuBar", {"figure", "none"}));
  figure.push_back(choice("ToolBar", {"auto", "none", "figure"}));
  figure.push_back(choice("Resize", on_off));
  figure.push_back(choice("WindowStyle", {"normal", "modal", "docked"}));
  // Tags of the push buttons that Enter and Escape press.
  figure.push_back(text("DefaultButton"));
  figure.push_back(text("CancelButton"));
  figure.push_back(choice("activepositionproperty", {"outerposition", "position"}));
  figure.push_back(choice("IntegerHandle", on_off));
  figure.push_back(callback("ResizeFcn"));
  figure.push_back(callback("CloseRequestFcn"));
  figure.push_back(callback("KeyPressFcn"));
  figure.push_back(text("FileName"));
  schema["figure"] = figure;

  auto axes = common("pixels");
  axes.push_back({"Color", color(1, 1, 1), PropertyKind::color, {}});
  axes.push_back({"XLim", Array::row({0, 1}), PropertyKind::numbers, {}});
  axes.push_back({"YLim", Array::row({0, 1}), PropertyKind::numbers, {}});
  axes.push_back({"XTick", Array(), PropertyKind::numbers, {}});
  axes.push_back({"YTick", Array(), PropertyKind::numbers, {}});
  axes.push_back(choice("Box", {"off", "on"}));
  axes.push_back(choice("NextPlot", {"replace", "add", "replacechildren"}));
  schema["axes"] = axes;

  auto control = common("pixels");
  control.push_back(choice("Style", {"pushbutton", "edit", "popupmenu", "text", "checkbox",
                                     "radiobutton", "listbox", "slider", "frame", "togglebutton"}));
  control.push_back({"String", Value(""), PropertyKind::strings, {}});
  control.push_back(number("Value", 0));
  control.push_back(number("Min", 0));
  control.push_back(number("Max", 1));
  control.push_back(choice("Enable", {"on", "off", "inactive"}));
  control.push_back(callback("Callback"));
  control.push_back(callback("KeyPressFcn"));
  control.push_back({"BackgroundColor", color(0.94, 0.94, 0.94), PropertyKind::color, {}});
  control.push_back({"ForegroundColor", color(0, 0, 0), PropertyKind::color, {}});
  control.push_back(number("FontSize", 8));
  control.push_back(text("FontName", "Helvetica"));
  control.push_back(choice("FontWeight", {"normal", "bold", "light", "demi"}));
  control.push_back(choice("HorizontalAlignment", {"center", "left", "right"}));
  control.push_back(text("TooltipString"));
  schema["uicontrol"] = control;

  auto image = common("pixels");
  image.push_back({"CData", Value(), PropertyKind::any, {}});
  image.push_back({"XData", Array::row({1, 1}), PropertyKind::numbers, {}});
  image.push_back({"YData", Array::row({1, 1}), PropertyKind::numbers, {}});
  schema["image"] = image;

  auto menu = common("pixels");
  menu.push_back(text("Label"));
  menu.push_back(callback("Callback"));
  menu.push_back(choice("Enable", {"on", "off"}));
  schema["uimenu"] = menu;
  schema["uitoolbar"] = common("pixels");
  return schema;
}

const auto& schema() {
  static const auto s = make_schema();
  return s;
}

[[noreturn]] void refuse(const PropertyRule& rule, std::string_view what) {
  throw RuntimeError("Bad value for property '" + rule.name + "': " + std::string(what) + ".");
}

bool is_row_text(const Value& v) { return v.is_text() && v.array().rows() <= 1; }

bool is_function_callback(const Value& v) {
  if (v.is_function()) return true;
  return v.is_cell() && !v.cell().items.empty() && v.cell().items.front().is_function();
}

}  // namespace

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const std::vector<PropertyRule>& property_rules(std::string_view type) {
  static const std::vector<PropertyRule> none;
  const auto it = schema().find(type);
  return it == schema().end() ? none : it->second;
}

const PropertyRule* find_property_rule(std::string_view type, std::string_view name) {
  for (const auto& rule : property_rules(type))
    if (same_name(rule.name, name)) return &rule;
  return nullptr;
}

Value checked_property_value(const PropertyRule& rule, Value value) {
  switch (rule.kind) {
    case PropertyKind::any:
      return value;
    case PropertyKind::text:
      if (value.is_empty()) return Value("");
      if (!is_row_text(value)) refuse(rule, "a text is required");
      return value;
    case PropertyKind::number:
      if (!value.is_number()) refuse(rule, "a single number is required");
      return value;
    case PropertyKind::numbers:
      if (!value.is_array() || value.is_text()) refuse(rule, "a numeric array is required");
      return value;
    case PropertyKind::choice: {
      if (!is_row_text(value)) refuse(rule, "a text is required");
      const auto given = value.text();
      for (const auto& c : rule.choices)
        if (same_name(c, given)) return Value(c);
      std::string list;
      for (const auto& c : rule.choices) list += (list.empty() ? "" : " | ") + c;
      refuse(rule, "must be one of " + list);
    }
    case PropertyKind::color: {
      if (!value.is_array() || value.is_text() || value.array().numel() != 3)
        refuse(rule, "a color is three numbers from 0 to 1");
      for (double c : value.array().data())
        if (!(c >= 0 && c <= 1)) refuse(rule, "a color is three numbers from 0 to 1");
      return Array::row(value.array().data());
    }
    case PropertyKind::callback:
      if (value.is_empty() || is_function_callback(value)) return value;
      refuse(rule, "a callback must be empty or a function reference");
    case PropertyKind::strings:
      if (value.is_empty()) return Value("");
      if (value.is_text()) return value;
      if (value.is_cell()) {
        for (const auto& item : value.cell().items)
          if (!item.is_empty() && !is_row_text(item)) refuse(rule, "a text or a list of texts is required");
        return value;
      }
      refuse(rule, "a text or a list of texts is required");
  }
  return value;
}

}  // namespace quelvara::graphics
