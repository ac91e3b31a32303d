#include "runtime/argument_count.h"

#include "runtime/console.h"

namespace quelvara::runtime {

std::string nargchk(int low, int high, int n) {
  if (n < low) return not_enough_inputs;
  if (n > high) return too_many_inputs;
  return "";
}

void check_argument_count(int low, int high, int n) {
  if (auto message = nargchk(low, high, n); !message.empty()) error(message);
}

}  // namespace quelvara::runtime
