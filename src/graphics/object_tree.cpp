#include "graphics/object_tree.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

using runtime::Array;
using runtime::RuntimeError;

struct Object {
  Handle handle = 0;
  std::string type;
  std::optional<Handle> parent;
  std::vector<Handle> children;
  std::vector<std::pair<std::string, Value>> properties;  // canonical name, value
  std::vector<std::pair<std::string, Value>> appdata;     // in order of first attachment
  Rect position;                                          // pixels
  FrameExtents frame;
  std::optional<Handle> current_axes;
  bool deleting = false;
};

// An object whose callback is running, with the figure it had when the callback began.
struct RunningCallback {
  Handle object;
  std::optional<Handle> figure;
};

struct Tree {
  std::map<Handle, Object> objects;
  std::vector<TreeObserver*> observers;
  std::optional<Handle> current_figure;
  std::vector<RunningCallback> running;
  double next_figure = 1;
  double next_other = figure_handle_limit + 0.0001220703125;  // exact in binary
  double screen_width = 1024;
  double screen_height = 768;
};

Tree& tree() {
  static Tree t;
  return t;
}

void init_properties(Object& o) {
  o.properties.clear();
  for (const auto& rule : property_rules(o.type)) o.properties.emplace_back(rule.name, rule.initial);
}

void ensure_root() {
  auto& t = tree();
  if (t.objects.count(root_handle)) return;
  Object root;
  root.handle = root_handle;
  root.type = "root";
  init_properties(root);
  t.objects.emplace(root_handle, std::move(root));
}

Object* find(Handle h) {
  ensure_root();
  const auto it = tree().objects.find(h);
  return it == tree().objects.end() ? nullptr : &it->second;
}

Object& object(Handle h) {
  if (auto* o = find(h)) return *o;
  throw RuntimeError("Invalid handle.");
}

template <typename F>
void notify(F&& f) {
  // Copied: an observer may detach itself while it is told.
  const auto observers = tree().observers;
  for (auto* o : observers) f(*o);
}

Value& stored(Object& o, const std::string& canonical) {
  for (auto& [name, value] : o.properties)
    if (name == canonical) return value;
  throw RuntimeError("There is no '" + canonical + "' property in the '" + o.type + "' class.");
}

std::string units_of(Object& o) { return stored(o, "Units").text(); }

// The size that "normalized" positions of o refer to.
std::pair<double, double> reference_size(const Object& o) {
  if (o.type == "figure" || !o.parent) return {tree().screen_width, tree().screen_height};
  const auto* p = find(*o.parent);
  if (!p || p->type == "root") return {tree().screen_width, tree().screen_height};
  return {p->position.width, p->position.height};
}

Rect rect_from(const Value& v, std::string_view property) {
  if (!v.is_array() || v.is_text() || v.array().numel() != 4)
    throw RuntimeError("Bad value for property '" + std::string(property) +
                       "': a rectangle [left bottom width height] is required.");
  const auto& d = v.array().data();
  for (double x : d)
    if (!std::isfinite(x))
      throw RuntimeError("Bad value for property '" + std::string(property) + "': not a finite number.");
  if (d[2] < 0 || d[3] < 0)
    throw RuntimeError("Bad value for property '" + std::string(property) + "': width and height must not be negative.");
  return {d[0], d[1], d[2], d[3]};
}

Value rect_value(Rect r) { return Array::row({r.left, r.bottom, r.width, r.height}); }

Value handles_value(const std::vector<Handle>& hs) {
  std::vector<double> d(hs.begin(), hs.end());
  return Array::column(std::move(d));
}

Value optional_handle(std::optional<Handle> h) { return h ? Value(*h) : Value(); }

bool has_position(const Object& o) {
  return o.type == "figure" || o.type == "axes" || o.type == "uicontrol";
}

Rect outer_of(const Object& o) {
  const auto& f = o.frame;
  return {o.position.left - f.left, o.position.bottom - f.bottom,
          o.position.width + f.left + f.right, o.position.height + f.top + f.bottom};
}

void changed(Handle h, const std::string& name) {
  notify([&](TreeObserver& ob) { ob.property_changed(h, name); });
}

void collect(const Object& o, std::optional<std::string_view> type, std::vector<Handle>& out) {
  if (!type || o.type == *type) out.push_back(o.handle);
  for (Handle c : o.children)
    if (const auto* child = find(c)) collect(*child, type, out);
}

}  // namespace

void add_observer(TreeObserver* observer) { tree().observers.push_back(observer); }

void remove_observer(TreeObserver* observer) { std::erase(tree().observers, observer); }

bool ishandle(Handle h) {
  const auto* o = find(h);
  return o != nullptr && !o->deleting;
}

Array ishandle(const Value& v) {
  if (!v.is_array() || v.is_text()) return Array::scalar(0);
  const auto& a = v.array();
  std::vector<double> out;
  out.reserve(a.numel());
  for (double h : a.data()) out.push_back(ishandle(h) ? 1 : 0);
  return Array::matrix(a.rows(), a.cols(), std::move(out));
}

bool is_single_handle(const Value& v) {
  return v.is_number() && ishandle(v.number());
}

Handle create_object(std::string_view type, Handle parent) {
  auto& t = tree();
  if (property_rules(type).empty() || type == "root")
    throw RuntimeError("Unknown object type '" + std::string(type) + "'.");
  if (!ishandle(parent)) throw RuntimeError("Invalid parent handle.");
  const std::string parent_type = object(parent).type;
  const bool fits = type == "figure" ? parent_type == "root"
                    : type == "image" ? parent_type == "axes"
                    : type == "uimenu" ? parent_type == "figure" || parent_type == "uimenu"
                                       : parent_type == "figure";
  if (!fits)
    throw RuntimeError("An object of type '" + std::string(type) + "' cannot be a child of '" +
                       parent_type + "'.");
  Object o;
  o.type = std::string(type);
  o.parent = parent;
  init_properties(o);
  if (type == "figure") {
    o.handle = t.next_figure++;
    const double w = 560, h = 420;
    o.position = {std::floor((t.screen_width - w) / 2), std::floor((t.screen_height - h) / 2), w, h};
    stored(o, "Visible") = Value(get_text(root_handle, "DefaultFigureVisible"));
  } else {
    o.handle = t.next_other;
    t.next_other += 1;
    if (type == "uicontrol") o.position = {20, 20, 60, 20};
    if (type == "axes") {
      const auto& p = object(parent).position;
      o.position = {0.13 * p.width, 0.11 * p.height, 0.775 * p.width, 0.815 * p.height};
    }
    if (type == "uicontrol")
      stored(o, "BackgroundColor") = get(root_handle, "DefaultUicontrolBackgroundColor");
  }
  const Handle h = o.handle;
  t.objects.emplace(h, std::move(o));
  object(parent).children.push_back(h);
  if (type == "figure") t.current_figure = h;
  if (type == "axes") {
    object(parent).current_axes = h;
  }
  notify([&](TreeObserver& ob) { ob.object_created(h); });
  return h;
}

std::string type_of(Handle h) { return object(h).type; }

std::optional<Handle> parent_of(Handle h) { return object(h).parent; }

std::vector<Handle> children_of(Handle h) { return object(h).children; }

std::optional<Handle> ancestor_figure(Handle h) {
  std::optional<Handle> at = h;
  while (at) {
    const auto* o = find(*at);
    if (!o) return std::nullopt;
    if (o->type == "figure") return at;
    at = o->parent;
  }
  return std::nullopt;
}

Value get(Handle h, std::string_view property) {
  auto& o = object(h);
  const auto& t = tree();
  if (same_name(property, "Type")) return Value(o.type);
  if (same_name(property, "Parent")) return optional_handle(o.parent);
  if (same_name(property, "Children")) {
    // Newest first, as children are listed.
    std::vector<Handle> kids(o.children.rbegin(), o.children.rend());
    return handles_value(kids);
  }
  if (o.type == "root") {
    if (same_name(property, "ScreenSize")) {
      const auto r = from_pixels({0, 0, t.screen_width, t.screen_height}, units_of(o),
                                 t.screen_width, t.screen_height);
      const bool pixels = units_of(o) == "pixels";
      return rect_value({pixels ? 1.0 : 0.0, pixels ? 1.0 : 0.0, r.width, r.height});
    }
    if (same_name(property, "CurrentFigure")) return optional_handle(t.current_figure);
    if (same_name(property, "CallbackObject")) return gcbo_value();
  } else if (has_position(o)) {
    const auto [rw, rh] = reference_size(o);
    if (same_name(property, "Position")) return rect_value(from_pixels(o.position, units_of(o), rw, rh));
    if (o.type == "figure" && same_name(property, "OuterPosition"))
      return rect_value(from_pixels(outer_of(o), units_of(o), rw, rh));
    if (o.type == "figure" && same_name(property, "CurrentAxes")) return optional_handle(o.current_axes);
  }
  const auto* rule = find_property_rule(o.type, property);
  if (!rule)
    throw RuntimeError("There is no '" + std::string(property) + "' property in the '" + o.type + "' class.");
  return stored(o, rule->name);
}

std::string get_text(Handle h, std::string_view property) {
  const Value v = get(h, property);
  return v.is_text() ? v.text() : std::string();
}

void set(Handle h, std::string_view property, Value value) {
  auto& o = object(h);
  for (const char* read_only : {"Type", "Parent", "Children", "ScreenSize", "CallbackObject"})
    if (same_name(property, read_only))
      throw RuntimeError("The '" + std::string(read_only) + "' property of the '" + o.type +
                         "' class is read-only.");
  if (o.type == "root" && same_name(property, "CurrentFigure")) {
    if (!is_single_handle(value) || type_of(value.number()) != "figure")
      throw RuntimeError("Bad value for property 'CurrentFigure': a figure handle is required.");
    make_current_figure(value.number());
    return;
  }
  if (has_position(o) && (same_name(property, "Position") ||
                          (o.type == "figure" && same_name(property, "OuterPosition")))) {
    const bool outer = same_name(property, "OuterPosition");
    const auto [rw, rh] = reference_size(o);
    Rect r = to_pixels(rect_from(value, property), units_of(o), rw, rh);
    if (outer) {
      const auto& f = o.frame;
      r = {r.left + f.left, r.bottom + f.bottom, std::max(0.0, r.width - f.left - f.right),
           std::max(0.0, r.height - f.top - f.bottom)};
    }
    set_pixel_position(h, r);
    return;
  }
  if (o.type == "figure" && same_name(property, "CurrentAxes")) {
    if (!is_single_handle(value) || type_of(value.number()) != "axes")
      throw RuntimeError("Bad value for property 'CurrentAxes': an axes handle is required.");
    o.current_axes = value.number();
    return;
  }
  const auto* rule = find_property_rule(o.type, property);
  if (!rule)
    throw RuntimeError("There is no '" + std::string(property) + "' property in the '" + o.type + "' class.");
  Value checked = checked_property_value(*rule, std::move(value));
  const std::string name = rule->name;
  stored(o, name) = std::move(checked);
  changed(h, name);
}

Rect pixel_position(Handle h) {
  auto& o = object(h);
  if (o.type == "root") return {0, 0, tree().screen_width, tree().screen_height};
  return o.position;
}

void set_pixel_position(Handle h, Rect r) {
  auto& o = object(h);
  if (!has_position(o)) throw RuntimeError("There is no 'Position' property in the '" + o.type + "' class.");
  if (o.position == r) return;
  o.position = r;
  changed(h, "Position");
}

void set_frame_extents(Handle figure, FrameExtents extents) { object(figure).frame = extents; }

void set_screen_size(double width, double height) {
  ensure_root();
  tree().screen_width = width;
  tree().screen_height = height;
}

void setappdata(Handle h, std::string_view name, Value value) {
  auto& o = object(h);
  for (auto& [n, v] : o.appdata)
    if (n == name) {
      v = std::move(value);
      return;
    }
  o.appdata.emplace_back(std::string(name), std::move(value));
}

Value getappdata(Handle h, std::string_view name) {
  for (const auto& [n, v] : object(h).appdata)
    if (n == name) return v;
  return Value();
}

bool isappdata(Handle h, std::string_view name) {
  for (const auto& [n, v] : object(h).appdata)
    if (n == name) return true;
  return false;
}

void rmappdata(Handle h, std::string_view name) {
  auto& data = object(h).appdata;
  std::erase_if(data, [&](const auto& entry) { return entry.first == name; });
}

std::vector<Handle> findall(Handle h, std::optional<std::string_view> type) {
  std::vector<Handle> out;
  collect(object(h), type, out);
  return out;
}

bool mark_deleting(Handle h, bool deleting) {
  auto* o = find(h);
  if (!o) return false;
  o->deleting = deleting;
  return true;
}

void remove_object(Handle h) {
  if (!find(h)) return;
  notify([&](TreeObserver& ob) { ob.object_deleting(h); });
  auto* o = find(h);
  if (!o) return;
  const auto parent = o->parent;
  const std::string type = o->type;
  tree().objects.erase(h);
  if (parent)
    if (auto* p = find(*parent)) {
      std::erase(p->children, h);
      if (p->current_axes == h) p->current_axes.reset();
    }
  if (type == "figure" && tree().current_figure == h) {
    tree().current_figure.reset();
    const auto rest = figures();
    if (!rest.empty()) tree().current_figure = rest.back();
  }
}

std::optional<Handle> current_figure() {
  auto& t = tree();
  if (t.current_figure && !ishandle(*t.current_figure)) t.current_figure.reset();
  return t.current_figure;
}

Handle gcf() {
  if (const auto f = current_figure()) return *f;
  return create_object("figure", root_handle);
}

void make_current_figure(Handle figure) {
  if (!ishandle(figure) || type_of(figure) != "figure") throw RuntimeError("A figure handle is required.");
  tree().current_figure = figure;
}

void axes(Handle a) {
  if (!ishandle(a) || type_of(a) != "axes") throw RuntimeError("axes: an axes handle is required.");
  const Handle f = *parent_of(a);
  object(f).current_axes = a;
  make_current_figure(f);
}

std::optional<Handle> current_axes(Handle figure) {
  const auto a = object(figure).current_axes;
  return a && ishandle(*a) ? a : std::nullopt;
}

std::vector<Handle> figures() {
  std::vector<Handle> out;
  for (Handle c : object(root_handle).children)
    if (ishandle(c)) out.push_back(c);
  return out;
}

void enter_callback(Handle h) { tree().running.push_back({h, ancestor_figure(h)}); }

void leave_callback() {
  if (!tree().running.empty()) tree().running.pop_back();
}

std::optional<Handle> gcbo() {
  const auto& running = tree().running;
  for (auto it = running.rbegin(); it != running.rend(); ++it)
    if (ishandle(it->object)) return it->object;
  return std::nullopt;
}

std::optional<Handle> gcbf() {
  const auto& running = tree().running;
  for (auto it = running.rbegin(); it != running.rend(); ++it)
    if (it->figure && ishandle(*it->figure)) return it->figure;
  return std::nullopt;
}

Value gcbo_value() { return optional_handle(gcbo()); }

Value gcbf_value() { return optional_handle(gcbf()); }

void reset_root() {
  auto& root = object(root_handle);
  init_properties(root);
  root.appdata.clear();
  tree().current_figure.reset();
  tree().screen_width = 1024;
  tree().screen_height = 768;
}

}  // namespace quelvara::graphics
