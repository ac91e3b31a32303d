#pragma once
// The named properties of each object type: canonical spelling, initial value and the values
// each one accepts. Properties computed from the tree itself (Type, Parent, Children,
// Position, outerposition, ScreenSize, CurrentFigure, CallbackObject) are not listed here.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace quelvara::graphics {

enum class PropertyKind {
  any,       // any value
  text,      // a character row (or empty)
  number,    // one number
  numbers,   // a numeric array of any size
  choice,    // one of the listed words, matched without regard to case, stored as listed
  color,     // three numbers from 0 to 1
  callback,  // empty, a function reference, or a cell row whose first item is one
  strings,   // text, or a cell row of texts (the items of a pop-up list)
};

// Letter-case-blind comparison, as property names and keyword values are compared.
bool same_name(std::string_view a, std::string_view b);

struct PropertyRule {
  std::string name;
  runtime::Value initial;
  PropertyKind kind = PropertyKind::any;
  std::vector<std::string> choices;
};

// The rules of one type ("root", "figure", "axes", "uicontrol", "image", "uimenu",
// "uitoolbar"); empty for an unknown type.
const std::vector<PropertyRule>& property_rules(std::string_view type);
// The rule named name (any letter case) of type, or nullptr.
const PropertyRule* find_property_rule(std::string_view type, std::string_view name);
// Checks value against rule and gives it in stored form (a choice in its listed spelling);
// throws runtime::RuntimeError naming the property when the value does not fit.
runtime::Value checked_property_value(const PropertyRule& rule, runtime::Value value);

}  // namespace quelvara::graphics
