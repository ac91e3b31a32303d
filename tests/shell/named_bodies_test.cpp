// Every function of the table of checks, as the quelvara program installs them: each has a body,
// and a call with one argument or one result too many gets its row's message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/by_name.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "shell/core_functions.h"
#include "windows/install.h"

namespace quelvara::shell {
namespace {

using runtime::Value;

std::string error_of(const std::string& name, int nargout, int nargin) {
  try {
    runtime::call_by_name(name, nargout, std::vector<Value>(static_cast<std::size_t>(nargin), Value(1.0)));
  } catch (const runtime::RuntimeError& e) {
    return e.message();
  }
  return "";
}

TEST(NamedBodies, EveryCheckedFunctionHasABodyAndItsSurplusMessages) {
  windows::install_windows();
  install_core_functions();
  ASSERT_EQ(runtime::entry_check_table().size(), 66u);
  for (const auto& row : runtime::entry_check_table()) {
    const std::string& name = row.qualified_name;
    SCOPED_TRACE(name);
    EXPECT_TRUE(runtime::has_body(name));
    const std::string head = "Run-time Error: File: " + name + " Line: " + std::to_string(row.line) +
                             " Column: 1 The function \"" + name +
                             "\" was called with more than the declared number of ";
    const int in_ok = runtime::limits(row.max_inputs) ? row.max_inputs : 2;
    if (runtime::limits(row.max_outputs)) {
      EXPECT_EQ(error_of(name, row.max_outputs + 1, in_ok),
                head + "outputs (" + std::to_string(row.max_outputs) + ").");
    }
    if (runtime::limits(row.max_inputs)) {
      const int out_ok = runtime::limits(row.max_outputs) ? row.max_outputs : 1;
      EXPECT_EQ(error_of(name, out_ok, row.max_inputs + 1),
                head + "inputs (" + std::to_string(row.max_inputs) + ").");
    }
  }
}

}  // namespace
}  // namespace quelvara::shell
