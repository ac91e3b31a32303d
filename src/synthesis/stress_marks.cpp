#include "synthesis/stress_marks.h"

#include <algorithm>

#include "synthesis/phones.h"

namespace quelvara::synthesis {

MarkedText strip_stress_marks(std::string_view texto) {
  MarkedText out;
  out.text.reserve(texto.size());
  for (char c : texto) {
    if (c == primary_stress_mark || c == secondary_stress_mark) {
      out.marks.push_back({out.text.size(), c == primary_stress_mark ? Stress::primary : Stress::secondary});
    } else {
      out.text += c;
    }
  }
  return out;
}

std::string stressed_label(std::string_view phone, Stress stress) {
  switch (stress) {
    case Stress::primary: return primary_stress_mark + std::string(phone);
    case Stress::secondary: return secondary_stress_mark + std::string(phone);
    case Stress::none: break;
  }
  return std::string(phone);
}

std::vector<Stress> phone_stress(std::span<const StressMark> marks, std::span<const std::size_t> phone_starts,
                                 std::span<const int> phone_numbers) {
  std::vector<Stress> stress(phone_starts.size(), Stress::none);
  for (const StressMark& mark : marks) {
    auto phone = std::lower_bound(phone_starts.begin(), phone_starts.end(), mark.offset);
    for (auto k = static_cast<std::size_t>(phone - phone_starts.begin()); k < phone_starts.size(); ++k) {
      if (k >= phone_numbers.size() || !is_vowel(phone_numbers[k])) continue;
      stress[k] = std::max(stress[k], mark.stress);
      break;
    }
  }
  return stress;
}

}  // namespace quelvara::synthesis
