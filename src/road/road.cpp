#include "road/road.h"

#include <stdexcept>

#include "prosody/planning.h"
#include "prosody/resynthesis.h"
#include "synthesis/voicing.h"

namespace quelvara::road {

prosody::MarkedSignal marked_signal(const synthesis::Joined& joined) {
  prosody::MarkedSignal signal;
  signal.length = joined.pitch.size();
  signal.marks.reserve(joined.pitch.positions.size());
  for (std::size_t position : joined.pitch.positions) {
    signal.marks.push_back(static_cast<prosody::Position>(position) + 1);
  }
  const auto& runs = joined.vzmto;
  for (std::size_t r = 0; r < runs.starts.size(); ++r) {
    if (!synthesis::is_voiced(runs.codes[r])) continue;
    const auto first = static_cast<prosody::Position>(runs.starts[r]) + 1;
    const auto last = static_cast<prosody::Position>(r + 1 < runs.starts.size() ? runs.starts[r + 1] : runs.length);
    // Runs of different voiced codes side by side make one voiced stretch.
    if (!signal.voiced.empty() && signal.voiced.back().last == first - 1) {
      signal.voiced.back().last = last;
    } else {
      signal.voiced.push_back({first, last});
    }
  }
  return signal;
}

PlannedRoad plan_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                      const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length) {
  PlannedRoad road;
  road.analysis = synthesis::analyse(texto, reader, database_root, unit_length);
  if (road.analysis.status != synthesis::Analysis::Status::ok) return road;

  const auto& joined = road.analysis.joined;
  if (joined.pitch.size() != joined.orig.size() || joined.vzmto.size() != joined.orig.size()) {
    throw std::invalid_argument("pitch and vzmto differ in length");
  }
  road.plan = plan_in(marked_signal(joined), mode, road.analysis.reading.pontuacao);
  if (road.plan.placeholder_mismatch) road.diagnostics.emplace_back(prosody::mark_count_message);
  if (road.plan.analysis_marks.size() != road.plan.synthesis_marks.size()) {
    road.diagnostics.emplace_back(prosody::mark_count_message);
  }
  return road;
}

void make_signal(const PlannedRoad& road, const prosody::StretchSink& take) {
  prosody::resynthesize_in_stretches(road.analysis.joined.orig, road.plan.analysis_marks, road.plan.synthesis_marks,
                                     road.plan.synthesis_length, take);
}

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length) {
  PlannedRoad road = plan_road(texto, mode, reader, database_root, unit_length);
  RoadResult result;
  result.analysis = std::move(road.analysis);
  result.diagnostics = std::move(road.diagnostics);
  if (result.analysis.status != synthesis::Analysis::Status::ok) return result;
  result.sinal = prosody::resynthesize(result.analysis.joined.orig, road.plan.analysis_marks,
                                       road.plan.synthesis_marks, road.plan.synthesis_length)
                     .sinal;
  result.analysis_marks = std::move(road.plan.analysis_marks);
  result.synthesis_marks = std::move(road.plan.synthesis_marks);
  return result;
}

}  // namespace quelvara::road
