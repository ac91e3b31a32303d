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

#include "graphics/property_schema.h"
#include "graphics/units.h"
#include "runtime/value.h"

namespace quelvara::graphics {

using runtime::Value;
using Handle = double;

inline constexpr Handle root_handle = 0;
inline constexpr double figure_handle_limit = 1e6;

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

// Deletion, one object at a time, as delete_object (graphics/callbacks.h) drives it around the
// DeleteFcn callbacks: an object marked as being deleted is no handle any more (ishandle gives
// false) but keeps its properties and children; remove_object tells the observers and takes it
// out of the tree and out of its parent's and the root's references. mark_deleting gives false,
// and remove_object does nothing, for an object that is no longer in the tree.
bool mark_deleting(Handle h, bool deleting);
void remove_object(Handle h);

// The current figure; gcf() makes one when there is none.
std::optional<Handle> current_figure();
Handle gcf();
void make_current_figure(Handle figure);
// Makes an axes object current in its figure (and the figure current).
void axes(Handle axes);
std::optional<Handle> current_axes(Handle figure);

// Every figure, oldest first.
std::vector<Handle> figures();

// The object whose callback is running and its figure (innermost when callbacks nest; objects
// deleted meanwhile are passed over); nullopt outside callbacks. The code that runs callbacks
// (graphics/callbacks.h) brackets each run with enter_callback and leave_callback.
void enter_callback(Handle h);
void leave_callback();
std::optional<Handle> gcbo();
std::optional<Handle> gcbf();
// The same as values: the handle, or the empty value.
Value gcbo_value();
Value gcbf_value();

// Restores the root's properties, application data and screen size and forgets the current
// figure (reset_tree in graphics/callbacks.h deletes the figures first).
void reset_root();

}  // namespace quelvara::graphics
