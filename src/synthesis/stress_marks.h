#pragma once
// Stress in a SAMPA text: '"' before a phone marks the syllable of the next vowel as stressed,
// '%' as carrying secondary stress. The marks say how to speak the text, not what to join: the
// reader takes them out before it cuts the text into diphones.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::synthesis {

enum class Stress : unsigned char { none, secondary, primary };

inline constexpr char primary_stress_mark = '"';
inline constexpr char secondary_stress_mark = '%';

struct StressMark {
  std::size_t offset = 0;  // where it stood in the text without marks
  Stress stress = Stress::primary;
};

struct MarkedText {
  std::string text;  // the text without its marks
  std::vector<StressMark> marks;
};

MarkedText strip_stress_marks(std::string_view texto);

// A phone as labels show it: with its stress mark before it ("\"a", "%E"), or alone.
std::string stressed_label(std::string_view phone, Stress stress);

// The stress of each phone, given where each phone starts in the text without marks
// (ascending) and its inventory number (0 for a symbol that is none): every mark goes to the
// first vowel that starts at or after it; primary stress wins over secondary.
std::vector<Stress> phone_stress(std::span<const StressMark> marks, std::span<const std::size_t> phone_starts,
                                 std::span<const int> phone_numbers);

}  // namespace quelvara::synthesis
