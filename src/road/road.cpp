#include "road/road.h"

#include <stdexcept>

#include "prosody/planning.h"

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
    if (!(runs.codes[r] >= 3)) continue;
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

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length) {
  RoadResult result;
  result.analysis = synthesis::analyse(texto, reader, database_root, unit_length);
  if (result.analysis.status != synthesis::Analysis::Status::ok) return result;

  const auto& joined = result.analysis.joined;
  if (joined.pitch.size() != joined.orig.size() || joined.vzmto.size() != joined.orig.size()) {
    throw std::invalid_argument("pitch and vzmto differ in length");
  }
  Intonation intonation = reshape(joined.orig, marked_signal(joined), mode, result.analysis.reading.pontuacao);
  if (intonation.placeholder_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);
  if (intonation.mark_count_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);
  result.sinal = std::move(intonation.sinal);
  result.analysis_marks = std::move(intonation.analysis_marks);
  result.synthesis_marks = std::move(intonation.synthesis_marks);
  return result;
}

}  // namespace quelvara::road
