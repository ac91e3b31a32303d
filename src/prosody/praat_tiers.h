#pragma once
// Praat's PitchTier and DurationTier, read from the text files Praat writes (long, short and
// spreadsheet forms) and written in the long form, and the prosody target they ask for on a
// joined signal: times are on the joined signal's axis, as in a Manipulation of it.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "prosody/prosody_file.h"
#include "prosody/prosody_target.h"

namespace quelvara::prosody {

enum class TierKind { pitch, duration };

struct TierPoint {
  double seconds = 0;
  double value = 0;  // Hz, or the relative duration
};

struct Tier {
  double xmin = 0;
  double xmax = 0;
  std::vector<TierPoint> points;  // times strictly ascending
};

inline constexpr double largest_duration_factor = 10;

// The tier of a text file, or the first problem with it: not a Praat text file, a tier of
// another kind, numbers missing or left over, no point, times out of order, a frequency
// outside lowest_hz to highest_hz or a relative duration outside 0 to largest_duration_factor
// (0 excluded), characters of a binary file.
Read<Tier> read_tier(std::string_view text, TierKind kind);

// The object class that a text file of Praat's names ("PitchTier", "TextGrid", ...); nullopt
// when text is not one of Praat's text files.
std::optional<std::string> praat_object_class(std::string_view text);

// A PitchTier from xmin to xmax of points given in any order: in time order, a point that
// shares the time of the one before it a microsecond after it (a jump of the curve becomes a
// step a microsecond long), since a tier holds one point per time.
Tier pitch_tier_of(std::vector<TierPoint> points, double xmin, double xmax);

// The tier as Praat's long text form, which read_tier reads back number for number.
std::string tier_text(const Tier& tier, TierKind kind);

// A phone of the joined signal: its symbol, its stress and its first sample (0-based).
struct JoinedPhone {
  std::string phone;
  Stress stress = Stress::none;
  std::size_t start = 0;
};

// The target for the phones of a joined signal of length samples: each phone lasts the
// integral of the duration tier over it (its own length without one), and the pitch tier's
// points sit in the phones that hold their times, at the same fraction of the phone (none
// without a pitch tier, which keeps the voice's own pitch). Points outside the signal are
// held at its ends.
ProsodyTarget target_from_tiers(std::span<const JoinedPhone> phones, std::size_t length, const Tier* pitch,
                                const Tier* duration);

// The tiers that ask for target on the same phones through target_from_tiers: a PitchTier of
// its points, each at the same share of its phone in the joined signal, and a DurationTier
// holding each phone's relative length, changing to the next one's in the phone's last
// microsecond. Read back, they give the same lengths and the same curve (a jump of the curve
// at one instant becomes a step a microsecond long). The pitch tier has no points when the
// target has none. When a phone is to last more than largest_duration_factor times its length
// in the joined signal, or has none there, no DurationTier can say so: that phone is given.
struct TargetTiers {
  Tier pitch;
  Tier duration;
};
std::variant<TargetTiers, std::size_t> tiers_of_target(std::span<const JoinedPhone> phones, std::size_t length,
                                                       const ProsodyTarget& target);

}  // namespace quelvara::prosody
