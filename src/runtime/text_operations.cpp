#include "runtime/text_operations.h"

#include <cstdint>

namespace quelvara::runtime {

namespace {

char32_t lower_letter(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // À..Þ except ×
  return c;
}

char32_t as_char(double v) {
  return v >= 0 && v <= 0x10FFFF && v == static_cast<double>(static_cast<std::uint32_t>(v))
             ? static_cast<char32_t>(v)
             : 0;
}

}  // namespace

bool strcmp(const Value& a, const Value& b) {
  if (!a.is_text() || !b.is_text()) return false;
  const Array& x = a.array();
  const Array& y = b.array();
  return x.rows() == y.rows() && x.cols() == y.cols() && x.data() == y.data();
}

bool is_letter(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
  if (c == 0xAA || c == 0xBA) return true;  // ª º
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  return false;
}

Array isletter(const Array& a) {
  std::vector<double> flags(a.numel(), 0.0);
  if (a.is_char())
    for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = is_letter(as_char(a.data()[i])) ? 1 : 0;
  return Array::matrix(a.rows(), a.cols(), std::move(flags));
}

Array lower(const Array& a) {
  if (!a.is_char()) return a;
  Array out = a;
  for (double& v : out.data()) {
    const char32_t c = as_char(v);
    if (c != 0) v = static_cast<double>(lower_letter(c));
  }
  return out;
}

std::string lower(std::string_view utf8) { return lower(Array::text(utf8)).to_text(); }

}  // namespace quelvara::runtime
