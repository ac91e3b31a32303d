#pragma once
// The graphics object tree: the root object 0 (the screen), figures, axes, controls, images,
// menus and toolbars, each with a numeric handle, a type, a parent, children, named properties
// and application data. The tree knows no toolkit: a view (the Qt one, or none in headless
// mode) attaches to it as an observer and mirrors it.
//
// Handles: figures get the integers 1, 2, 3, ... in order of creation; every other object gets
// a number past figure_handle_limit with a fractional part, so the two never meet.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace quelvara::graphics {

using runtime::Value;
using Handle = double;

inline constexpr Handle root_handle = 0;
inline constexpr double figure_handle_limit = 1e6;

// [left, bottom, width, height], pixels from the lower-left corner of the screen (figures) or
// of the parent's client area (other objects).
struct Rect {
  double left = 0, bottom = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// How far a figure's frame reaches past its client area on each side, in pixels.
struct FrameExtents {
  double left = 0, right = 0, top = 0, bottom = 0;
};

// Notified of every change of the tree; a view keeps its widgets in step through it.
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void object_created(Handle) {}
  // Called before the object leaves the tree; its properties can still be read.
  virtual void object_deleting(Handle) {}
  // name is the property's canonical spelling ("Position", "String", ...).
  virtual void property_changed(Handle, const std::string& /*name*/) {}
};
void add_observer(TreeObserver* observer);
void remove_observer(TreeObserver* observer);

// Existence tests.
bool ishandle(Handle h);
// Element-wise over a numeric array (same shape, 1 where the element is an existing handle); a
// value that is not numeric gives a single 0.
runtime::Array ishandle(const Value& v);
// A single number that is the handle of an existing object.
bool is_single_handle(const Value& v);

// Creation. type is one of "figure" (parent 0), "axes", "uicontrol", "uimenu", "uitoolbar"
// (parent a figure) and "image" (parent an axes). A new figure becomes the current figure.
// Throws runtime::RuntimeError for an unknown type or an unfit parent.
Handle create_object(std::string_view type, Handle parent);

// Structure. All throw runtime::RuntimeError for a handle that does not exist.
std::string type_of(Handle h);
std::optional<Handle> parent_of(Handle h);  // nullopt for the root
std::vector<Handle> children_of(Handle h);  // in creation order
// The figure containing h (h itself when it is one); nullopt for the root or a missing handle.
std::optional<Handle> ancestor_figure(Handle h);

// Properties, read and set by name without regard to letter case. An unknown property, a
// read-only one, or an unfit value fails with runtime::RuntimeError, which the caller may catch.
Value get(Handle h, std::string_view property);
void set(Handle h, std::string_view property, Value value);
// get() of a property expected to hold text, as UTF-8 ("" when it holds no text).
std::string get_text(Handle h, std::string_view property);
// Letter-case-blind comparison, as property names and keyword values are compared.
bool same_name(std::string_view a, std::string_view b);

// Pixel geometry, whatever the object's Units (for the view and the placement code).
Rect pixel_position(Handle h);
void set_pixel_position(Handle h, Rect r);
// A figure's frame extents: the difference between "outerposition" and "Position". The view
// measures them; headless figures have none.
void set_frame_extents(Handle figure, FrameExtents extents);
// The screen's size in pixels (root "ScreenSize"), which only the view or a test sets.
void set_screen_size(double width, double height);

// Application data: named values attached to an object. Reading an absent name gives the
// empty value.
void setappdata(Handle h, std::string_view name, Value value);
Value getappdata(Handle h, std::string_view name);
bool isappdata(Handle h, std::string_view name);
void rmappdata(Handle h, std::string_view name);

// The object itself and all its descendants, hidden ones included, in tree order (an object
// before its children); with type, only the objects of that type. Throws for a missing handle.
std::vector<Handle> findall(Handle h, std::optional<std::string_view> type = std::nullopt);

// Deletes the object and its descendants (children first, each one's DeleteFcn fired before
// it goes). Deleting the root or a missing handle fails; the object is gone on return.
void delete_object(Handle h);

// The current figure; gcf() makes one when there is none.
std::optional<Handle> current_figure();
Handle gcf();
void make_current_figure(Handle figure);
// Makes an axes object current in its figure (and the figure current).
void axes(Handle axes);
std::optional<Handle> current_axes(Handle figure);

// Every figure, oldest first.
std::vector<Handle> figures();

// Deletes every figure and restores the root's properties and application data; for tests.
void reset_tree();

}  // namespace quelvara::graphics
