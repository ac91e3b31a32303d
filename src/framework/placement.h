#pragma once
// Window placement: centring a window being opened (centrarcaixas) and moving a window to a
// named place, an offset, or just onto the screen (movegui). Rectangles are [left, bottom,
// width, height] in pixels from the lower-left corner of the screen; the units of every object
// read are switched to pixels and restored afterwards.
#include <vector>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::framework {

// Centres the window over the window whose callback is running, or, outside callbacks,
// across the screen at two thirds of the free height from the bottom. The size is kept;
// fractional pixels are passed on.
void centrarcaixas(graphics::Handle figure);

// Up to three arguments in any order: a handle inside the window (default: the callback window,
// else the current one), a position name ("north", "south", "east", "west", "northeast",
// "southeast", "northwest", "southwest", "center", "onscreen"; the default), or an offset
// [left, bottom] (negative values count from the right or top edge). While a callback runs, an
// unrecognised second argument is taken as its event value and ignored. Fails with "handle of
// figure or descendant required", "unrecognized position" or "unrecognized input argument"
// before changing anything.
void movegui(const std::vector<runtime::Value>& args);

}  // namespace quelvara::framework
