#pragma once
// The handles record of a window: built from the tags of its objects (guihandles, with the name
// rules isvarname and iskeyword) and stored with the window (guidata).
#include <optional>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::framework {

using graphics::Handle;
using runtime::Value;

// The application-data key under which a window keeps its handles record.
inline constexpr const char* handles_record_key = "UsedByGUIData_m";

// The first object of type "figure" from h upwards; nullopt when h is not a single existing
// handle or is not inside a window.
std::optional<Handle> get_parent_figure(const Value& h);

// The record stored with the window that contains h (empty when none was stored). Fails with
// "H must be the handle to a figure or figure descendent." when h is not inside a window.
Value guidata(const Value& h);
// Stores data as the record of the window that contains h (same failure).
void guidata(const Value& h, Value data);

// The handles record built from the window that contains h (or from the current window): one
// field per valid tag, in the order first met, holding the row of handles bearing it; the empty
// value when no object has a valid tag.
Value guihandles(const Value& h);
Value guihandles();
// The record of one window, from its tags.
Value create_handles(Handle figure);

// A single character row of at most 63 characters: a letter, then letters, digits or "_",
// and not a reserved word.
bool isvarname(const Value& s);
// Exactly one of the 17 reserved words (letter case counts).
bool iskeyword(const Value& s);
// The reserved words themselves, in their order.
runtime::Cell reserved_words();

}  // namespace quelvara::framework
