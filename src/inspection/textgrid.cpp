#include "inspection/textgrid.h"

#include <algorithm>
#include <span>
#include <system_error>

#include "prosody/praat_tiers.h"
#include "wave/binary_file.h"

namespace quelvara::inspection {

namespace {

// The shortest text that reads back as the same double.
std::string number(double x) { return x == 0 ? "0" : prosody::shortest_text(x); }

// A quoted text; quotes inside are doubled.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

// The intervals of a tier laid end to end from xmin to xmax, empty ones filling the gaps.
std::vector<Interval> covering(const std::vector<Interval>& intervals, double xmin, double xmax) {
  std::vector<Interval> out;
  double at = xmin;
  for (const Interval& i : intervals) {
    if (i.end <= at) continue;
    const double start = std::max(i.start, at);
    if (start > at) out.push_back({at, start, ""});
    out.push_back({start, std::min(i.end, xmax), i.label});
    at = out.back().end;
    if (at >= xmax) break;
  }
  if (at < xmax || out.empty()) out.push_back({at, xmax, ""});
  return out;
}

}  // namespace

std::string textgrid_text(const TextGrid& grid) {
  std::string t;
  t += "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
  t += "xmin = " + number(grid.xmin) + " \nxmax = " + number(grid.xmax) + " \n";
  t += "tiers? <exists> \nsize = " + std::to_string(grid.tiers.size()) + " \nitem []: \n";
  for (std::size_t k = 0; k < grid.tiers.size(); ++k) {
    t += "    item [" + std::to_string(k + 1) + "]:\n";
    const auto header = [&](const char* kind, const std::string& name) {
      t += "        class = \"" + std::string(kind) + "\" \n        name = " + quoted(name) + " \n";
      t += "        xmin = " + number(grid.xmin) + " \n        xmax = " + number(grid.xmax) + " \n";
    };
    if (const auto* tier = std::get_if<IntervalTier>(&grid.tiers[k])) {
      header("IntervalTier", tier->name);
      const auto intervals = covering(tier->intervals, grid.xmin, grid.xmax);
      t += "        intervals: size = " + std::to_string(intervals.size()) + " \n";
      for (std::size_t i = 0; i < intervals.size(); ++i) {
        t += "        intervals [" + std::to_string(i + 1) + "]:\n";
        t += "            xmin = " + number(intervals[i].start) + " \n";
        t += "            xmax = " + number(intervals[i].end) + " \n";
        t += "            text = " + quoted(intervals[i].label) + " \n";
      }
    } else {
      const auto& points = std::get<PointTier>(grid.tiers[k]);
      header("TextTier", points.name);
      t += "        points: size = " + std::to_string(points.points.size()) + " \n";
      for (std::size_t i = 0; i < points.points.size(); ++i) {
        t += "        points [" + std::to_string(i + 1) + "]:\n";
        t += "            number = " + number(points.points[i].time) + " \n";
        t += "            mark = \"\" \n";
      }
    }
  }
  return t;
}

std::string pitch_tier_text(const std::vector<PitchPoint>& points, double xmin, double xmax) {
  std::vector<prosody::TierPoint> tier_points;
  for (const PitchPoint& p : points) tier_points.push_back({p.time, p.hz});
  return prosody::tier_text(prosody::pitch_tier_of(std::move(tier_points), xmin, xmax), prosody::TierKind::pitch);
}

void write_text_file(const std::string& text, const std::filesystem::path& path) {
  std::error_code ec;
  wave::BinaryFile file = wave::BinaryFile::open_for_writing(path, ec);
  if (ec) throw std::system_error(ec, path.string());
  const std::span bytes(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  if (file.write_encoded(bytes, wave::ElementType::UChar) != text.size())
    throw std::system_error(file.last_error(), path.string());
  if (const auto error = file.close()) throw std::system_error(error, path.string());
}

}  // namespace quelvara::inspection
