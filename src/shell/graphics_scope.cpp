#include "shell/graphics_scope.h"

#include <exception>
#include <utility>

#include "runtime/console.h"
#include "runtime/function_registry.h"
#include "shell/core_functions.h"
#include "shell/program_description.h"

namespace quelvara::shell {

namespace {

GraphicsRuntime& graphics_runtime() {
  static GraphicsRuntime g;
  return g;
}

// Runs one shutdown step; the first failure is kept for later and the next steps still run.
void run_step(const std::function<void()>& step, std::exception_ptr& first_error) {
  if (!step) return;
  try {
    step();
  } catch (...) {
    if (!first_error) first_error = std::current_exception();
  }
}

}  // namespace

GraphicsRuntime set_graphics_runtime(GraphicsRuntime runtime) {
  return std::exchange(graphics_runtime(), std::move(runtime));
}

GraphicsScope::GraphicsScope(int& argc, char** argv) {
  runtime::register_functions(named_functions());
  install_core_functions();
  // The search-path entries serve only look-ups of a runtime this program does not carry.
  try {
    const auto& list = start_stop_list();
    for (; started_ < list.size(); ++started_)
      if (list[started_].start) list[started_].start();
    graphics_enabled_ = true;
    notify_lifecycle("graphics initialise");
    if (graphics_runtime().initialise) graphics_runtime().initialise(argc, argv);
    graphics_initialised_ = true;
  } catch (...) {
    graphics_enabled_ = false;
    stop_started();
    closed_ = true;
    throw;
  }
}

GraphicsScope::~GraphicsScope() {
  if (closed_) return;
  try {
    close();
  } catch (...) {
    runtime::print_error_report(runtime::current_runtime_error());
  }
}

void GraphicsScope::close() {
  if (closed_) return;
  closed_ = true;
  std::exception_ptr first_error;
  if (graphics_enabled_) {
    run_step([] { notify_lifecycle("graphics wait"); }, first_error);
    run_step(graphics_runtime().wait_until_no_windows, first_error);
  }
  if (graphics_initialised_) {
    run_step([] { notify_lifecycle("graphics terminate"); }, first_error);
    run_step(graphics_runtime().terminate, first_error);
  }
  const auto& list = start_stop_list();
  while (started_ > 0) run_step(list[--started_].stop, first_error);
  if (first_error) std::rethrow_exception(first_error);
}

void GraphicsScope::stop_started() {
  std::exception_ptr ignored;
  const auto& list = start_stop_list();
  while (started_ > 0) run_step(list[--started_].stop, ignored);
}

}  // namespace quelvara::shell
