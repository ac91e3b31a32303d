#include "runtime/text_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace quelvara::runtime {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One decimal number filling the whole token: [+-] digits [. digits] [e [+-] digits], with
// at least one digit in the mantissa.
std::optional<double> parse_number(std::string_view token) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  const std::size_t mantissa_start = i;
  std::size_t digits = 0;
  while (i < token.size() && is_digit(token[i])) ++i, ++digits;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && is_digit(token[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < token.size() && is_digit(token[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != token.size()) return std::nullopt;
  double value = 0;
  const char* first = token.data() + mantissa_start;
  const char* last = token.data() + token.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    // Too large reads as infinity; too small (a negative exponent) as zero.
    const std::string_view digits_text(first, static_cast<std::size_t>(last - first));
    const bool tiny = digits_text.find("e-") != std::string_view::npos ||
                      digits_text.find("E-") != std::string_view::npos;
    value = tiny ? 0.0 : HUGE_VAL;
  } else if (ec != std::errc() || end != last) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::string num2str(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  char buffer[512];
  if (x == std::floor(x)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", x == 0 ? 0.0 : x);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.4f", x);
  std::string s = buffer;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

Array str2num(std::string_view text) {
  std::vector<double> values;
  std::size_t i = 0;
  bool expect_number = true;  // after the start or a comma a number must follow
  while (true) {
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i == text.size()) break;
    if (text[i] == ',') {
      if (expect_number) return {};
      expect_number = true;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !is_blank(text[end]) && text[end] != ',') ++end;
    const auto number = parse_number(text.substr(i, end - i));
    if (!number) return {};
    values.push_back(*number);
    expect_number = false;
    i = end;
  }
  if (expect_number && !values.empty()) return {};  // a trailing comma
  return Array::row(std::move(values));
}

}  // namespace quelvara::runtime
