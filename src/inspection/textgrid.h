#pragma once
// Annotation files in the long text form of the phonetics program our users work in: interval
// tiers (contiguous labelled intervals) and point tiers (labelled instants), UTF-8, in seconds.
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "inspection/snapshot.h"

namespace quelvara::inspection {

struct IntervalTier {
  std::string name;
  std::vector<Interval> intervals;  // in time order, each starting where the one before ended
};
struct PointTier {
  std::string name;
  std::vector<PitchPoint> points;  // only the times are written; marks are empty
};
using Tier = std::variant<IntervalTier, PointTier>;

struct TextGrid {
  double xmin = 0;
  double xmax = 0;
  std::vector<Tier> tiers;
};

// The file's text. Interval tiers get an empty interval where they leave a gap or do not
// reach xmin or xmax, so that every tier covers the whole span.
std::string textgrid_text(const TextGrid& grid);

// A pitch curve as the same program's PitchTier, from xmin to xmax seconds: its points in time
// order, a microsecond apart where several share a time.
std::string pitch_tier_text(const std::vector<PitchPoint>& points, double xmin, double xmax);

// Writes text to path, replacing an existing file only once complete. Throws
// std::system_error with the reason on failure.
void write_text_file(const std::string& text, const std::filesystem::path& path);

}  // namespace quelvara::inspection
