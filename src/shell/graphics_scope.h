#pragma once
// The graphics scope: lives for the duration of the entry point. Opening it registers the
// functions callable by name and runs the start functions; closing it waits until no window is
// left, terminates the graphics runtime and runs the stop functions in reverse.
#include <cstddef>
#include <functional>

#include "runtime/runtime_users.h"

namespace quelvara::shell {

// What the shell needs of the graphics runtime. Empty members do nothing (no windows).
struct GraphicsRuntime {
  std::function<void(int& argc, char** argv)> initialise;
  std::function<void()> wait_until_no_windows;
  std::function<void()> terminate;
};
// Installs the graphics runtime that later scopes use; gives back the previous one.
GraphicsRuntime set_graphics_runtime(GraphicsRuntime runtime);

class GraphicsScope {
 public:
  // A start function or the graphics runtime's initialisation that fails stops what was
  // started, in reverse, and the error passes to the caller.
  GraphicsScope(int& argc, char** argv);
  // Closes the scope if close() has not; errors are then printed as error reports.
  ~GraphicsScope();
  GraphicsScope(const GraphicsScope&) = delete;
  GraphicsScope& operator=(const GraphicsScope&) = delete;

  // Waits until no window is left (when graphics is enabled), terminates the graphics runtime
  // and runs the stop functions in reverse list order. All of it runs even when a step fails;
  // the first error is then thrown.
  void close();

 private:
  void stop_started();

  runtime::RuntimeUser runtime_reference_;
  bool graphics_enabled_ = false;
  bool graphics_initialised_ = false;
  std::size_t started_ = 0;
  bool closed_ = false;
};

}  // namespace quelvara::shell
