#pragma once
// The window controller: every call of a window module's entry function goes to gui_mainfcn
// with the module's window-state table gui_State, which either runs one callback of the module
// or opens the window (loading or reusing it, building its handles record, running the opening
// function, showing it and returning what the output function gives).
#include <vector>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::framework {

// Application-data keys the controller keeps on a window.
inline constexpr const char* in_initialization_key = "InGUIInitialization";
inline constexpr const char* on_screen_key = "GUIOnScreen";
inline constexpr const char* layout_options_key = "VARDOOptions";

// args[0] is gui_State (fields gui_Name, gui_Singleton, gui_OpeningFcn, gui_OutputFcn,
// gui_LayoutFcn, gui_Callback); the rest are the entry function's arguments unchanged. More
// than three of them, the first a text and the second an existing object's handle, make a
// callback dispatch; anything else opens the window. Gives at most nargout results.
// When the last shown window closes, the windows left loaded but hidden by an opening that
// stopped half-way are deleted with it (not a dialog whose opening steps are still running).
std::vector<runtime::Value> gui_mainfcn(int nargout, std::vector<runtime::Value> args);

// Opens the layout file of module name with the policy ("new" or "reuse"), leaving a freshly
// loaded window hidden.
graphics::Handle local_openfig(const runtime::Value& name, const runtime::Value& policy);

}  // namespace quelvara::framework
