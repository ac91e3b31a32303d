#pragma once
// The functions of the typed core and of the audio layer made callable by name, each reached
// through its by-name entry.
#include <vector>

#include "runtime/value.h"

namespace quelvara::shell {

// Supplies the bodies of bartlett and signal/private/check_order (thin adapters between dynamic
// values and the typed triangular window), the audio functions (audio/install.h), and the
// stand-in interface unless a window module has supplied the real one.
void install_core_functions();

using Values = std::vector<runtime::Value>;
Values bartlett_by_name(int nargout, Values args);
Values check_order_by_name(int nargout, Values args);

}  // namespace quelvara::shell
