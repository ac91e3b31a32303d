// The GUI program's process entry: the windows, shown by the Qt view.
#include "graphics/event_loop.h"
#include "graphics/qt/qt_view.h"
#include "shell/graphics_scope.h"
#include "shell/process_entry.h"
#include "windows/install.h"

int main(int argc, char** argv) {
  using namespace quelvara;
  windows::install_windows();
  shell::set_graphics_runtime({graphics::initialise_qt_graphics, graphics::wait_until_no_windows,
                               graphics::terminate_qt_graphics});
  return shell::process_entry(argc, argv);
}
