#pragma once
// The stand-in for the main window's module until the windows exist: it opens nothing.
#include <vector>

#include "runtime/value.h"

namespace quelvara::shell {

// Accepts any arguments and gives the empty value as its one result.
std::vector<runtime::Value> interface_stub(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::shell
