#include "synthesis/text_reader.h"

#include "synthesis/phones.h"

namespace quelvara::synthesis {
namespace {

bool is_marker(char ch) { return ch == '~' || ch == 'j' || ch == 'w'; }
bool is_glide(char ch) { return ch == 'j' || ch == 'w'; }

}  // namespace

// Splits a diphone of 2 to 4 characters at the boundary between its two phones.
Diphone split(std::string dif) {
  Diphone d;
  std::size_t first_length;
  if (!is_marker(dif[1])) {
    first_length = 1;
  } else if (dif[1] == '~' && dif.size() > 2 && is_glide(dif[2])) {
    first_length = 3;
  } else {
    first_length = 2;
  }
  d.fone1 = dif.substr(0, first_length);
  d.fone2 = dif.substr(first_length);
  d.fonum1 = phone_number(d.fone1);
  d.fonum2 = phone_number(d.fone2);
  d.dif = std::move(dif);
  return d;
}

std::vector<std::string> phones_of(const Reading& reading) {
  std::vector<std::string> phones;
  if (reading.diphones.empty()) return phones;
  phones.push_back(reading.diphones.front().fone1);
  for (const Diphone& d : reading.diphones) phones.push_back(d.fone2);
  return phones;
}

std::vector<std::string> phones_of(std::span<const std::string> difones) {
  std::vector<std::string> phones;
  for (const std::string& dif : difones) {
    if (dif.size() < 2) return {};
    Diphone d = split(dif);
    if (phones.empty()) phones.push_back(std::move(d.fone1));
    phones.push_back(std::move(d.fone2));
  }
  return phones;
}

Reading reading_of_phones(std::span<const std::string> phones) {
  Reading reading;
  for (const std::string& phone : phones) reading.pal += phone;
  for (std::size_t k = 0; k + 1 < phones.size(); ++k) reading.diphones.push_back(split(phones[k] + phones[k + 1]));
  if (!reading.diphones.empty()) reading.stress.assign(phones.size(), Stress::none);
  return reading;
}

std::optional<Reading> read_text(std::string_view marked) {
  const MarkedText unmarked = strip_stress_marks(marked);
  const std::string_view texto = unmarked.text;
  if (texto.empty()) return std::nullopt;

  Reading reading;
  const char last = texto.back();
  if (last == '.' || last == '!' || last == '?') {
    reading.pal = std::string(texto.substr(0, texto.size() - 1));
    reading.pontuacao = last;
  } else {
    reading.pal = std::string(texto);
  }

  // Two trailing blanks let every rule look three characters ahead without leaving the row.
  const std::string txt = reading.pal + "  ";
  auto at = [&txt](std::size_t k) { return txt[k - 1]; };  // 1-based, k <= size of pal + 2

  std::size_t i = 1;
  std::vector<std::size_t> phone_starts{0};  // where each phone begins in pal, 0-based
  while (i < reading.pal.size()) {
    std::size_t length;
    std::size_t step;
    if (at(i + 1) == ' ') {
      break;
    } else if ((at(i + 1) == '~' && at(i + 3) == '~') || (at(i + 1) == 'j' && at(i + 3) == 'j') ||
               (at(i + 1) == 'w' && at(i + 3) == 'w')) {
      length = 4, step = 2;  // 2+2
    } else if (at(i + 2) == '~' && is_glide(at(i + 3))) {
      length = 4, step = 1;  // 1+3
    } else if (at(i + 1) == '~' && is_glide(at(i + 2))) {
      length = 4, step = 3;  // 3+1
    } else if (is_marker(at(i + 2))) {
      length = 3, step = 1;  // 1+2
    } else if (is_marker(at(i + 1))) {
      length = 3, step = 2;  // 2+1
    } else {
      length = 2, step = 1;  // 1+1
    }
    reading.diphones.push_back(split(txt.substr(i - 1, length)));
    i += step;
    phone_starts.push_back(i - 1);
  }
  if (!reading.diphones.empty()) {
    std::vector<int> numbers{reading.diphones.front().fonum1.value_or(0)};
    for (const Diphone& d : reading.diphones) numbers.push_back(d.fonum2.value_or(0));
    reading.stress = phone_stress(unmarked.marks, phone_starts, numbers);
  }
  return reading;
}

}  // namespace quelvara::synthesis
