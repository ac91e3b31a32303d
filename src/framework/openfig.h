#pragma once
// The layout opener: loads a window from its layout file under an instance policy, keeping for
// every layout file the windows opened from it (a registry in the root object's application
// data), brings the window onto the screen and sets its visibility.
#include <optional>
#include <string>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::framework {

// The registry key of a layout file name: "OpenFig_" + the name's letters, digits and "_" in
// reverse order + "_SINGLETON", cut to 31 characters.
std::string openfig_registry_key(const std::string& file_name);

// filename: with or without folder and ".fig" (any letter case); policy: "new" (default) or
// "reuse"; visible: "invisible", "visible", "auto" (any letter case) or absent. "reuse" gives
// the newest open window of the file and loads only when there is none. Fails with
// "Third input argument must be 'invisible' or 'visible'.", "Second input argument must be 'new'
// or 'reuse'." or "Argument must be a .fig file" before anything is loaded; a layout that cannot
// be loaded fails in the loader and leaves the registry as it was.
graphics::Handle openfig(const runtime::Value& filename, const std::optional<runtime::Value>& policy = std::nullopt,
                         const std::optional<runtime::Value>& visible = std::nullopt);

}  // namespace quelvara::framework
