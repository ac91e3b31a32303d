#include "runtime/value.h"

#include <stdexcept>

#include "synthesis/utf8.h"

namespace quelvara::runtime {

namespace {

using synthesis::append_utf8;

// Decodes UTF-8; a byte that does not start a well-formed sequence stands for itself, so that
// any byte string round-trips character by character.
std::vector<double> decode_utf8(std::string_view s) {
  std::vector<double> out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; ok && k < len; ++k) {
      const auto cont = static_cast<unsigned char>(s[i + k]);
      ok = (cont >> 6) == 0x2;
      c = (c << 6) | (cont & 0x3F);
    }
    if (len > 1 && ok && c < (len == 2 ? 0x80u : len == 3 ? 0x800u : 0x10000u)) ok = false;
    if (!ok) {
      out.push_back(b);
      ++i;
    } else {
      out.push_back(static_cast<double>(c));
      i += len;
    }
  }
  return out;
}

}  // namespace

Array Array::scalar(double x) { return matrix(1, 1, {x}); }

Array Array::row(std::vector<double> values) {
  const auto n = values.size();
  return n == 0 ? Array{} : matrix(1, n, std::move(values));
}

Array Array::column(std::vector<double> values) {
  const auto n = values.size();
  return n == 0 ? Array{} : matrix(n, 1, std::move(values));
}

Array Array::zeros(std::size_t rows, std::size_t cols) {
  return matrix(rows, cols, std::vector<double>(rows * cols, 0.0));
}

Array Array::text(std::string_view utf8) {
  Array a = row(decode_utf8(utf8));
  a.is_char_ = true;
  if (a.data_.empty()) a.rows_ = a.cols_ = 0;
  return a;
}

Array Array::matrix(std::size_t rows, std::size_t cols, std::vector<double> column_major) {
  if (rows * cols != column_major.size()) throw std::invalid_argument("Array: size mismatch");
  Array a;
  a.rows_ = rows;
  a.cols_ = cols;
  a.data_ = std::move(column_major);
  return a;
}

double Array::operator()(std::size_t k) const {
  if (k < 1 || k > data_.size()) throw std::out_of_range("Index exceeds array dimensions.");
  return data_[k - 1];
}

double Array::operator()(std::size_t r, std::size_t c) const {
  if (r < 1 || r > rows_ || c < 1 || c > cols_)
    throw std::out_of_range("Index exceeds array dimensions.");
  return data_[(c - 1) * rows_ + (r - 1)];
}

void Array::set(std::size_t k, double x) {
  if (k < 1) throw std::out_of_range("Index must be a positive integer.");
  if (k > data_.size()) {
    if (!data_.empty() && !is_vector())
      throw std::out_of_range("In an assignment A(I) = B, a matrix A cannot be resized.");
    const bool column = cols_ == 1 && rows_ > 1;
    data_.resize(k, 0.0);
    rows_ = column ? k : 1;
    cols_ = column ? 1 : k;
  }
  data_[k - 1] = x;
}

std::string Array::to_text() const {
  std::string out;
  out.reserve(data_.size());
  // Characters are read row by row, as a character row or a single-row text is.
  for (std::size_t r = 0; r < rows_; ++r)
    for (std::size_t c = 0; c < cols_; ++c) {
      const double v = data_[c * rows_ + r];
      append_utf8(out, v >= 0 && v <= 0x10FFFF ? static_cast<char32_t>(v) : U'?');
    }
  return out;
}

Array Array::transposed() const {
  Array t = *this;
  t.rows_ = cols_;
  t.cols_ = rows_;
  for (std::size_t r = 0; r < rows_; ++r)
    for (std::size_t c = 0; c < cols_; ++c) t.data_[r * cols_ + c] = data_[c * rows_ + r];
  return t;
}

bool Record::has(std::string_view name) const {
  for (const auto& n : names_)
    if (n == name) return true;
  return false;
}

const Value& Record::get(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) return values_[i];
  throw std::out_of_range("Reference to non-existent field '" + std::string(name) + "'.");
}

void Record::set(std::string_view name, Value value) {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) {
      values_[i] = std::move(value);
      return;
    }
  names_.emplace_back(name);
  values_.push_back(std::move(value));
}

bool Record::remove(std::string_view name) {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) {
      names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
      values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

bool Value::is_text(std::string_view utf8) const {
  return is_text() && array().rows() <= 1 && array().data() == Array::text(utf8).data();
}

}  // namespace quelvara::runtime
