#include "windows/install.h"

#include "audio/wavplay.h"
#include "graphics/callbacks.h"
#include "graphics/msgbox.h"
#include "imaging/install.h"
#include "runtime/console.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"
#include "windows/module_support.h"
#include "windows/modules.h"

namespace quelvara::windows {

namespace {

const runtime::RuntimeUser wavplay_user;
const runtime::RuntimeUser playsnd_user;
const runtime::RuntimeUser playsndb_user;

runtime::Function by_name(const char* name) {
  return [name](int nargout, Args args) { return runtime::call_by_name(name, nargout, std::move(args)); };
}

}  // namespace

void install_playback_functions() {
  runtime::define_function("audio/private/playsndb", audio::playsndb);
  runtime::define_function("audio/private/playsnd", audio::playsnd);
  runtime::define_function("wavplay", [](int, Args args) {
    audio::wavplay(args, audio::host_platform(), by_name("audio/private/playsndb"),
                   by_name("audio/private/playsnd"));
    return Results{};
  });
}

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
  install_playback_functions();
  register_interface();
  register_gravar();
  register_val_factor();
  register_creditos();
  register_sampa();
  install_callback_error_report();
}

}  // namespace quelvara::windows
