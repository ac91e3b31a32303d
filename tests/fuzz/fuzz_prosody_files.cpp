// Arbitrary bytes as a .pho file or a Praat tier: the readers must either refuse them with a
// line inside the input or give a target that writes and reads back unchanged and that plans
// onto a small joined signal within its bounds.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "prosody/pho_file.h"
#include "prosody/praat_tiers.h"
#include "prosody/target_planning.h"

namespace {

using namespace quelvara::prosody;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

std::size_t lines_in(std::string_view text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1; }

// "_ a _" over 3000 samples, "a" voiced with marks 170 apart.
JoinedPhones small_joined() {
  JoinedPhones j;
  j.signal.length = 3000;
  for (Position m = 1001; m < 1980; m += 170) j.signal.marks.push_back(m);
  j.signal.voiced.push_back({1001, 2000});
  j.bounds = {0, 1000, 2000, 3000};
  j.releases = {1000, 2000, 3000};
  return j;
}

void plan_within_bounds(const ProsodyTarget& target) {
  const auto starts = phone_starts_ms(target);
  if (target.phones.size() != 3 || starts.back() > 10000) return;
  for (const PhoneTarget& phone : target.phones) require(std::isfinite(phone.length_ms) && phone.length_ms >= 0);
  const TargetPlan plan = plan_target(small_joined(), target);
  for (const OverlapStep& step : plan.steps) {
    require(step.centre >= 1 && step.centre <= 3000);
    require(step.target >= 1 && step.target <= static_cast<Position>(plan.length));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 3) {
    case 0: {
      const auto read = read_pho(text);
      if (const auto* problem = std::get_if<FileProblem>(&read)) {
        require(problem->line >= 1 && problem->line <= lines_in(text));
        return 0;
      }
      const auto& target = std::get<ProsodyTarget>(read);
      const auto again = read_pho(pho_text(target, "de novo"));
      require(std::holds_alternative<ProsodyTarget>(again));
      const auto& back = std::get<ProsodyTarget>(again);
      require(back.phones.size() == target.phones.size());
      for (std::size_t k = 0; k < target.phones.size(); ++k) {
        require(back.phones[k].length_ms == target.phones[k].length_ms);
        require(back.phones[k].pitch.size() == target.phones[k].pitch.size());
      }
      plan_within_bounds(target);
      return 0;
    }
    default: {
      const TierKind kind = data[0] % 3 == 1 ? TierKind::pitch : TierKind::duration;
      const auto read = read_tier(text, kind);
      if (const auto* problem = std::get_if<FileProblem>(&read)) {
        require(problem->line >= 1 && problem->line <= lines_in(text));
        return 0;
      }
      const Tier& tier = std::get<Tier>(read);
      require(!tier.points.empty());
      const std::vector<JoinedPhone> phones{{"_", Stress::none, 0}, {"a", Stress::none, 1000}, {"_", Stress::none, 2000}};
      plan_within_bounds(kind == TierKind::pitch ? target_from_tiers(phones, 3000, &tier, nullptr)
                                                 : target_from_tiers(phones, 3000, nullptr, &tier));
      return 0;
    }
  }
}
