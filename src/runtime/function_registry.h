#pragma once
// The registry of functions callable by name. The program registers the names it makes callable
// with their declared counts; any layer supplies or replaces a body, before or after that
// registration, without touching the list of names. Every call by name goes through the
// function's by-name entry.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace quelvara::runtime {

// Declared counts: n >= 0 is the exact maximum; -1 any number; -(k+1) k fixed, then any.
struct NamedFunction {
  std::string name;
  int inputs = -1;
  int results = -1;
};

// Registers the names (replacing an earlier registration); bodies already supplied are kept.
void register_functions(std::span<const NamedFunction> functions);
// Forgets the registration; bodies stay supplied.
void unregister_functions();
bool is_registered(std::string_view name);
// The registered entry of a name, or nullptr.
const NamedFunction* registered_function(std::string_view name);

// Supplies or replaces the body of a function callable by name: a registered main function
// ("imread") or a function of a module's table ("interface/texto_Callback").
void define_function(std::string_view qualified_name, Function body);
// Supplies a body only when none is there yet (for stand-ins that a later layer replaces).
void define_function_if_absent(std::string_view qualified_name, Function body);
void undefine_function(std::string_view qualified_name);
bool has_body(std::string_view qualified_name);

// Calls through the by-name entry of the name: its argument checks first, then the body. A
// registered name without a body fails with "The function \"<name>\" is not available."; a
// name neither registered nor supplied with "Undefined function \"<name>\".".
std::vector<Value> call_by_name(std::string_view qualified_name, int nargout, std::vector<Value> args);
// The function of a module's table, looked up within that module ("ok_Callback" of "sampa").
std::vector<Value> call_module_function(std::string_view module, std::string_view function,
                                        int nargout, std::vector<Value> args);
// The functions supplied for the table of a module, by their short names, sorted.
std::vector<std::string> module_functions(std::string_view module);

// A reference whose calls go through call_by_name, so it always reaches the current body.
FunctionRef function_reference(std::string_view qualified_name);

}  // namespace quelvara::runtime
