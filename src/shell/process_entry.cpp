#include "shell/process_entry.h"

#include <optional>

#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "shell/graphics_scope.h"

namespace quelvara::shell {

namespace {

// Runs f; an error that escapes it is printed as an error report and gives status 1.
template <typename F>
int reporting_errors(F f) {
  try {
    return f();
  } catch (...) {
    runtime::print_error_report(runtime::current_runtime_error());
  }
  return 1;
}

}  // namespace

std::vector<runtime::Value> interface_arguments(int argc, char** argv) {
  std::vector<runtime::Value> args;
  for (int i = 1; i < argc && argv && argv[i]; ++i) args.emplace_back(runtime::Array::text(argv[i]));
  return args;
}

int main_function(int argc, char** argv) {
  // The runtime root and the global-variable exchange have nothing to do here: the program
  // has no global variables and this runtime does not alter the argument list.
  runtime::call_by_name("interface", 1, interface_arguments(argc, argv));
  // The result is the main window's handle; a normal run succeeds whatever its value.
  return 0;
}

int process_entry(int argc, char** argv) {
  std::optional<GraphicsScope> scope;
  if (reporting_errors([&] {
        scope.emplace(argc, argv);
        return 0;
      }) != 0)
    return 1;
  int status = reporting_errors([&] { return main_function(argc, argv); });
  if (reporting_errors([&] {
        scope->close();
        return 0;
      }) != 0)
    status = 1;
  return status;
}

}  // namespace quelvara::shell
