#include "runtime/array_operations.h"

#include <cmath>
#include <limits>
#include <vector>

namespace quelvara::runtime {

namespace {

template <typename F>
Array element_wise(const Array& a, F f) {
  std::vector<double> out(a.data());
  for (double& v : out) v = f(v);
  return Array::matrix(a.rows(), a.cols(), std::move(out));
}

}  // namespace

double nearest(double x) { return std::round(x); }  // std::round rounds halves away from zero

Array find(const Array& a) {
  std::vector<double> positions;
  for (std::size_t i = 0; i < a.numel(); ++i)
    if (a.data()[i] != 0) positions.push_back(static_cast<double>(i + 1));
  return a.rows() == 1 ? Array::row(std::move(positions)) : Array::column(std::move(positions));
}

Array mean(const Array& a) {
  if (a.is_empty()) return Array::scalar(std::numeric_limits<double>::quiet_NaN());
  const bool vector = a.is_vector();
  const std::size_t groups = vector ? 1 : a.cols();
  const std::size_t length = vector ? a.numel() : a.rows();
  std::vector<double> means(groups, 0.0);
  for (std::size_t g = 0; g < groups; ++g) {
    double sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += a.data()[g * length + i];
    means[g] = sum / static_cast<double>(length);
  }
  return Array::row(std::move(means));
}

Array zeros(std::size_t rows, std::size_t cols) { return Array::zeros(rows, cols); }

Array floor(const Array& a) {
  return element_wise(a, [](double v) { return std::floor(v); });
}

Array round(const Array& a) { return element_wise(a, nearest); }

}  // namespace quelvara::runtime
