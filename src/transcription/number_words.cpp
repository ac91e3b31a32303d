#include "transcription/number_words.h"

#include <array>
#include <charconv>
#include <stdexcept>

#include "transcription/table_rows.h"

namespace quelvara::transcription {
namespace {

std::uint64_t value_of(const std::string& text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) throw std::runtime_error("'" + text + "' is no number");
  return value;
}

constexpr std::array<std::uint64_t, 3> scale_values = {1, 1000, 1'000'000};

}  // namespace

NumberWords NumberWords::read(std::string_view table) {
  NumberWords numbers;
  for_each_row(table, "number table", [&](const std::vector<std::string>& fields) {
    if (fields.size() < 3 || fields.size() > 4) throw std::runtime_error("expected kind, value and one or two words");
    const std::string& kind = fields[0];
    if (fields[2].empty()) throw std::runtime_error("no word");
    Forms forms{fields[2], fields.size() == 4 ? fields[3] : fields[2]};
    if (kind == "word") {
      numbers.words_[fields[1]] = fields[2];
      return;
    }
    const std::uint64_t value = value_of(fields[1]);
    if (kind == "exact" && value == 100) numbers.hundred_alone_ = forms.masculine;
    else if (kind == "cardinal") numbers.cardinals_[value] = forms;
    else if (kind == "ordinal") numbers.ordinals_[value] = forms;
    else if (kind == "scale") numbers.scales_[value] = forms;
    else if (kind == "month") numbers.months_[value] = forms;
    else if (kind == "fraction") numbers.fractions_[value] = forms;
    else throw std::runtime_error("unknown kind '" + kind + "'");
  });
  // Every word the readings below reach must be there.
  const auto need = [](const auto& map, std::uint64_t value, const char* what) {
    if (!map.contains(value))
      throw std::runtime_error(std::string("number table: no ") + what + " " + std::to_string(value));
  };
  for (std::uint64_t n = 0; n < 20; ++n) need(numbers.cardinals_, n, "cardinal");
  for (std::uint64_t n = 20; n < 100; n += 10) need(numbers.cardinals_, n, "cardinal");
  for (std::uint64_t n = 100; n < 1000; n += 100) need(numbers.cardinals_, n, "cardinal");
  for (std::uint64_t n = 1; n < 10; ++n) need(numbers.ordinals_, n, "ordinal");
  for (std::uint64_t n = 10; n < 100; n += 10) need(numbers.ordinals_, n, "ordinal");
  for (std::uint64_t n = 100; n <= 1000; n += 100) need(numbers.ordinals_, n, "ordinal");
  for (std::uint64_t n = 1; n <= 12; ++n) need(numbers.months_, n, "month");
  for (std::uint64_t n : {2, 3}) need(numbers.fractions_, n, "fraction");
  need(numbers.scales_, 1000, "scale");
  need(numbers.scales_, 1'000'000, "scale");
  if (numbers.hundred_alone_.empty()) throw std::runtime_error("number table: no exact 100");
  for (const char* name : {"and", "minus", "plus", "comma", "point", "of", "to", "over"})
    if (!numbers.words_.contains(name)) throw std::runtime_error(std::string("number table: no word ") + name);
  return numbers;
}

const std::string& NumberWords::unit(unsigned n, Gender gender) const {
  const Forms& forms = cardinals_.at(n);
  return gender == Gender::feminine ? forms.feminine : forms.masculine;
}

Words NumberWords::below_thousand(unsigned n, Gender gender) const {
  if (n == 100) return {hundred_alone_};
  Words words;
  const unsigned hundreds = n / 100 * 100, rest = n % 100;
  if (hundreds) words.push_back(unit(hundreds, gender));
  if (hundreds && rest) words.push_back(word("and"));
  if (rest >= 20) {
    words.push_back(unit(rest / 10 * 10, gender));
    if (rest % 10) words.push_back(word("and"));
  }
  if (rest % 10 || (rest > 0 && rest < 20)) words.push_back(unit(rest < 20 ? rest : rest % 10, gender));
  return words;
}

Words NumberWords::cardinal(std::uint64_t n, Gender gender) const {
  if (n > largest) throw std::out_of_range("number too large to read");
  if (n == 0) return {unit(0, gender)};
  // Millions, thousands and units, each said as a number below a thousand (the millions as
  // any number below a million) followed by its scale word.
  struct Part {
    Words words;
    std::uint64_t value;
  };
  std::vector<Part> parts;
  const std::uint64_t millions = n / 1'000'000, thousands = n / 1000 % 1000, units = n % 1000;
  if (millions) {
    const Forms& scale = scales_.at(1'000'000);
    Words words = cardinal(millions);
    words.push_back(millions == 1 ? scale.masculine : scale.feminine);
    parts.push_back({std::move(words), millions});
  }
  if (thousands) {
    Words words = thousands == 1 ? Words{} : below_thousand(static_cast<unsigned>(thousands), gender);
    words.push_back(scales_.at(1000).masculine);
    parts.push_back({std::move(words), thousands});
  }
  if (units) parts.push_back({below_thousand(static_cast<unsigned>(units), gender), units});
  // "e" joins the last part when it is below a hundred or a round number of hundreds: "mil e
  // cem", "um milhão e duzentos mil", but "mil duzentos e trinta".
  Words words;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const bool last = k + 1 == parts.size();
    if (k > 0 && last && (parts[k].value < 100 || parts[k].value % 100 == 0)) words.push_back(word("and"));
    words.insert(words.end(), parts[k].words.begin(), parts[k].words.end());
  }
  return words;
}

std::optional<Words> NumberWords::ordinal(std::uint64_t n, Gender gender, bool plural) const {
  if (n == 0 || n >= 2000) return std::nullopt;
  Words words;
  const auto add = [&](std::uint64_t value) {
    if (!value) return;
    std::string w = ordinals_.at(value).masculine;
    if (gender == Gender::feminine && !w.empty() && w.back() == 'o') w.back() = 'a';
    if (plural) w += 's';
    words.push_back(std::move(w));
  };
  add(n / 1000 * 1000);
  add(n / 100 % 10 * 100);
  add(n / 10 % 10 * 10);
  add(n % 10);
  return words;
}

Words NumberWords::digits(std::string_view digits) const {
  Words words;
  for (char c : digits)
    if (c >= '0' && c <= '9') words.push_back(unit(static_cast<unsigned>(c - '0'), Gender::masculine));
  return words;
}

std::optional<std::string> NumberWords::denominator(std::uint64_t n, bool plural) const {
  if (n < 2 || n > 10) return std::nullopt;
  const auto found = fractions_.find(n);
  std::string w = found != fractions_.end() ? found->second.masculine : ordinals_.at(n).masculine;
  if (plural) w += 's';
  return w;
}

const std::string& NumberWords::month(int number) const {
  return months_.at(static_cast<std::uint64_t>(number)).masculine;
}

bool NumberWords::is_million(const std::string& word) const {
  const Forms& million = scales_.at(1'000'000);
  return word == million.masculine || word == million.feminine;
}

const std::string& NumberWords::word(const std::string& name) const { return words_.at(name); }

std::optional<int> roman_value(std::string_view numeral) {
  if (numeral.empty() || numeral.size() > 15) return std::nullopt;
  const auto digit = [](char c) {
    switch (c) {
      case 'I': return 1;
      case 'V': return 5;
      case 'X': return 10;
      case 'L': return 50;
      case 'C': return 100;
      case 'D': return 500;
      case 'M': return 1000;
      default: return 0;
    }
  };
  int value = 0;
  for (std::size_t k = 0; k < numeral.size(); ++k) {
    const int d = digit(numeral[k]);
    if (!d) return std::nullopt;
    const int next = k + 1 < numeral.size() ? digit(numeral[k + 1]) : 0;
    value += next > d ? -d : d;
  }
  if (value < 1 || value > 3999) return std::nullopt;
  // Only the usual way of writing the value counts (IIII, VX and IC do not).
  static constexpr std::array<std::pair<int, std::string_view>, 13> forms = {{{1000, "M"}, {900, "CM"}, {500, "D"},
      {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"}, {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}}};
  std::string usual;
  for (int rest = value; const auto& [v, form] : forms)
    while (rest >= v) {
      usual += form;
      rest -= v;
    }
  if (usual != numeral) return std::nullopt;
  return value;
}

}  // namespace quelvara::transcription
