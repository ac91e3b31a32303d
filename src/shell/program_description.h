#pragma once
// The program description that the shell hands to the runtimes: the functions callable by name
// with their declared counts, and the start/stop list.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "runtime/function_registry.h"

namespace quelvara::shell {

// The 25 functions callable by name, in their order; each heads the module of the same name.
std::span<const runtime::NamedFunction> named_functions();

// One pair of the start/stop list; an empty function is a slot that is skipped.
struct StartStop {
  std::string owner;  // "function library", "graphics bridge" or a module's name
  std::function<void()> start;
  std::function<void()> stop;
};

// The 27 pairs: the function library, the graphics-runtime bridge, then one per module in the
// order of named_functions(). Started in list order, stopped in reverse.
const std::vector<StartStop>& start_stop_list();

// Receives "start <owner>" and "stop <owner>" as the pairs run, and the graphics scope's
// "graphics initialise", "graphics wait" and "graphics terminate"; for tests and tracing.
using LifecycleObserver = std::function<void(const std::string& event)>;
LifecycleObserver set_lifecycle_observer(LifecycleObserver observer);
void notify_lifecycle(const std::string& event);

}  // namespace quelvara::shell
