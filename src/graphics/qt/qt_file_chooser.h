#pragma once
// The toolkit's file chooser, for graphics::choose_file while the Qt view runs.
#include "graphics/file_chooser.h"

namespace quelvara::graphics {

FileChooser& qt_file_chooser();

}  // namespace quelvara::graphics
