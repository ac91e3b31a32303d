#pragma once
// The snapshot of one run of the road: the joined rows of the analysis and the marks that the
// intonation run planned on them. The main window and quelvara-synth build it the same way.
#include <span>
#include <vector>

#include "inspection/snapshot.h"
#include "road/road.h"

namespace quelvara::inspection {

// The analysis and synthesis marks of the plan that mode makes for pitch and vzmto, as
// positions; they are where the periods of the resynthesis moved from and to.
struct MarkPositions {
  std::vector<std::size_t> analysis;
  std::vector<std::size_t> synthesis;
};
MarkPositions mark_positions(std::span<const prosody::Position> analysis,
                             std::span<const prosody::Position> synthesis);
MarkPositions planned_marks(std::span<const double> pitch, std::span<const double> vzmto,
                            const road::Mode& mode, char pontuacao);

// The positions of the nonzero entries of a mark row, 1-based.
std::vector<std::size_t> mark_positions(std::span<const double> row);

// The mode's name as the selector shows it, and its factor.
const char* mode_name(const road::Mode& mode);

// The F0 curve of a prosody target, in seconds of the result.
std::vector<PitchPoint> curve_points(const prosody::ProsodyTarget& target);

// The prosody a result has: each phone's length in it and its planned pitch, each point in
// the phone that holds it (lengths to a microsecond, positions and Hz to a hundredth), as a
// .pho file can hold it. Needs snapshot.result.
prosody::ProsodyTarget result_prosody(const Snapshot& snapshot);

// A successful run of the road in mode.
Snapshot snapshot_of(const road::RoadResult& run, const road::Mode& mode);

}  // namespace quelvara::inspection
