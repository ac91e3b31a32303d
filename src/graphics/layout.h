#pragma once
// Layout files (<module>.fig): one window with its objects, their properties, tags, callbacks
// and application data, as JSON (the format is described in layouts/README.md).
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::graphics {

// Runs a callback that a layout file names: module entry function, callback name, the firing
// object and the event value. The window framework installs it; fetching the handles record
// at firing time is its business.
using LayoutCallbackDispatcher = std::function<void(const std::string& module, const std::string& callback,
                                                    Handle object, Value eventdata)>;
void set_layout_callback_dispatcher(LayoutCallbackDispatcher dispatcher);

// The function reference a layout callback becomes; its name is "<module>/<callback>".
runtime::FunctionRef layout_callback(const std::string& module, const std::string& callback);

struct LoadedLayout {
  Handle figure = 0;
  // For each overridden property, the value the file stored for the window (or the window's
  // initial value when the file stores none).
  runtime::Record saved;
};

// Loads a layout file: creates the window and its objects with the file's properties, sets the
// overridden window properties (e.g. Visible = "off") instead of the stored ones, runs the
// creation callbacks, and gives the window. A relative name is read from the folder that holds
// the program's data files (runtime/data_folder.h). An unreadable or malformed file fails with a
// runtime::RuntimeError that names the file and the fault; nothing is left behind.
LoadedLayout hgload(const std::filesystem::path& file, const runtime::Record& overrides = {});
// The same from text; source names the layout in error messages.
LoadedLayout load_layout_text(std::string_view text, const runtime::Record& overrides,
                              std::string_view source);

}  // namespace quelvara::graphics
