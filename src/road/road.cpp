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
                      const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length,
                      const synthesis::UnitIndex* index) {
  PlannedRoad road;
  if (const auto* pho = std::get_if<PhoMode>(&mode)) {
    std::vector<std::string> phones;
    for (const auto& phone : pho->target.phones) phones.push_back(phone.phone);
    road.analysis = synthesis::analyse(synthesis::reading_of_phones(phones), reader, database_root, unit_length);
  } else {
    road.analysis = synthesis::analyse(texto, reader, database_root, unit_length);
  }
  if (road.analysis.status != synthesis::Analysis::Status::ok) return road;

  const auto& joined = road.analysis.joined;
  if (joined.pitch.size() != joined.orig.size() || joined.vzmto.size() != joined.orig.size()) {
    throw std::invalid_argument("pitch and vzmto differ in length");
  }
  road.fronteiras = synthesis::unit_boundaries(road.analysis.reading, joined.limdf, index);
  if (plans_a_target(mode)) {
    road.target = plan_target_run(mode, marked_signal(joined),
                                  phone_layout(road.analysis.reading, joined.limdf, road.fronteiras), joined.vzmto,
                                  road.analysis.reading.pontuacao);
    return road;
  }
  road.plan = plan_in(marked_signal(joined), mode, road.analysis.reading.pontuacao);
  if (road.plan.placeholder_mismatch) road.diagnostics.emplace_back(prosody::mark_count_message);
  if (road.plan.analysis_marks.size() != road.plan.synthesis_marks.size()) {
    road.diagnostics.emplace_back(prosody::mark_count_message);
  }
  return road;
}

void make_signal(const PlannedRoad& road, const prosody::StretchSink& take) {
  if (road.target) {
    prosody::resynthesize_steps(road.analysis.joined.orig, road.target->plan.steps, road.target->plan.length, take);
    return;
  }
  prosody::resynthesize_in_stretches(road.analysis.joined.orig, road.plan.analysis_marks, road.plan.synthesis_marks,
                                     road.plan.synthesis_length, take);
}

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length,
                    const synthesis::UnitIndex* index) {
  PlannedRoad road = plan_road(texto, mode, reader, database_root, unit_length, index);
  RoadResult result;
  if (road.analysis.status == synthesis::Analysis::Status::ok) {
    result.sinal.reserve(road.length());
    make_signal(road, [&result](std::span<const double> stretch) {
      result.sinal.insert(result.sinal.end(), stretch.begin(), stretch.end());
    });
    if (road.target) {
      result.analysis_marks = road.target->plan.analysis_marks();
      result.synthesis_marks = road.target->plan.synthesis_marks();
    } else {
      result.analysis_marks = std::move(road.plan.analysis_marks);
      result.synthesis_marks = std::move(road.plan.synthesis_marks);
    }
  }
  result.analysis = std::move(road.analysis);
  result.fronteiras = std::move(road.fronteiras);
  result.target = std::move(road.target);
  result.diagnostics = std::move(road.diagnostics);
  return result;
}

}  // namespace quelvara::road
