#include "prosody/bartlett.h"

#include <cmath>
#include <cstddef>

#include "prosody/rounding.h"
#include "prosody/window_weights.h"

namespace quelvara::prosody {

CheckedOrder check_order(std::optional<double> order, const std::function<void(const std::string&)>& warn) {
  CheckedOrder checked;
  if (!order) {
    checked.trivalwin = true;  // the empty order gives the empty window
    return checked;
  }
  double n = *order;
  if (n < 0) throw OrderError(negative_order_error);
  if (n != std::floor(n)) {  // also true for NaN, which the runtime rounds to NaN with a warning
    n = nearest(n);
    checked.rounded = true;
    if (warn) warn(rounding_warning);
  }
  checked.n_out = n;
  if (n == 0) {
    checked.trivalwin = true;
  } else if (n == 1) {
    checked.w = {1.0};
    checked.trivalwin = true;
  }
  return checked;
}

std::vector<double> bartlett(std::optional<double> order, const std::function<void(const std::string&)>& warn) {
  CheckedOrder checked = check_order(order, warn);
  if (checked.trivalwin) return std::move(checked.w);
  const double n = *checked.n_out;
  // A NaN order leaves the index range 0..(n-1)/2 empty, hence the empty window.
  if (std::isnan(n)) return {};
  std::vector<double> w;
  if (!(n <= static_cast<double>(w.max_size()))) throw std::length_error("Order is too large for a window.");
  const auto size = static_cast<std::size_t>(n);
  w.resize(size);
  // Rising half j = 0..floor((n-1)/2), mirrored onto the falling half; for odd n both meet in
  // the peak of 1.
  for (std::size_t j = 0; j < (size + 1) / 2; ++j) {
    w[j] = w[size - 1 - j] = triangle_value(static_cast<double>(j), n);
  }
  return w;
}

}  // namespace quelvara::prosody
