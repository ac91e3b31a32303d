// The GUI program's process entry: the windows, shown by the Qt view.
#include <cstdlib>
#include <iostream>

#include "graphics/event_loop.h"
#include "graphics/qt/qt_view.h"
#include "runtime/data_folder.h"
#include "shell/graphics_scope.h"
#include "shell/process_entry.h"
#include "windows/install.h"
#include "windows/qt/analysis_view.h"

namespace {

bool has_display() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* v = std::getenv(name); v && *v) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quelvara;
  // Without a display the toolkit would abort; say why instead.
  if (!has_display()) {
    std::cerr << "quelvara: não há nenhum ecrã onde abrir as janelas (DISPLAY e WAYLAND_DISPLAY estão vazios).\n"
                 "  Corra o quelvara numa sessão gráfica, ou num ecrã virtual:\n"
                 "    xvfb-run -a -s \"-screen 0 1920x1080x24\" quelvara\n"
                 "  Para sintetizar sem janelas: quelvara-synth --help.\n";
    return 1;
  }
  if (const std::string problem = runtime::data_folder_problem(); !problem.empty()) {
    std::cerr << "quelvara: " << problem << '\n';
    return 1;
  }
  windows::install_windows();
  windows::install_analysis_view();
  shell::set_graphics_runtime({graphics::initialise_qt_graphics, graphics::wait_until_no_windows,
                               graphics::terminate_qt_graphics});
  return shell::process_entry(argc, argv);
}
