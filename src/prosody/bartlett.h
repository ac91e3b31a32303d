#pragma once
// Triangular window and the check of its requested order.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quelvara::prosody {

inline constexpr const char* rounding_warning = "Rounding order to nearest integer.";
inline constexpr const char* negative_order_error = "Order cannot be less than zero.";

struct OrderError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct CheckedOrder {
  std::optional<double> n_out;  // nullopt for an empty order
  std::vector<double> w;        // the window when trivalwin, else empty
  bool trivalwin = false;
  bool rounded = false;         // a rounding warning was issued
};

// order nullopt stands for the empty array. Throws OrderError for a negative order.
// warn receives "Rounding order to nearest integer." when the order is not whole.
CheckedOrder check_order(std::optional<double> order, const std::function<void(const std::string&)>& warn = {});

// The n-point triangular window as a column (returned as a vector of n values). A NaN order gives
// the empty window; one too large to allocate throws std::length_error.
std::vector<double> bartlett(std::optional<double> order, const std::function<void(const std::string&)>& warn = {});

}  // namespace quelvara::prosody
