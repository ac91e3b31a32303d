#include "windows/install.h"

#include "audio/install.h"
#include "graphics/callbacks.h"
#include "graphics/msgbox.h"
#include "imaging/install.h"
#include "runtime/console.h"
#include "windows/analysis_window.h"
#include "windows/module_support.h"
#include "windows/modules.h"

namespace quelvara::windows {

void report_callback_error(const std::exception& error) {
  const runtime::RuntimeError e = runtime::as_runtime_error(error);
  runtime::print_error_report(e);
  try {
    graphics::msgbox(e.message(), message_title);
  } catch (const std::exception&) {
    // The console report stands alone when no box can be made.
  }
}

void install_callback_error_report() { graphics::set_callback_error_handler(report_callback_error); }

void install_windows() {
  imaging::install_imaging();
  audio::install_audio();
  register_interface();
  register_gravar();
  register_val_factor();
  register_creditos();
  register_sampa();
  register_analise();
  install_callback_error_report();
}

}  // namespace quelvara::windows
