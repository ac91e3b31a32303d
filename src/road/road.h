#pragma once
// The whole signal road for one text, as the main window runs it, shared by quelvara-synth,
// the main window and the benchmarks.
//
// Typical sequence:
//   analysis = synthesis::analyse(texto, reader, root)      text -> diphones -> units -> joined,
//                                                            smoothed rows (orig, pitch, vzmto)
//   sinal    = reshape(orig, pitch, vzmto, mode, pontuacao)  plan in the mode, then overlap-add
//   then sinal is saved as a 16-bit WAVE file at 22050 Hz, or played
// run_road does the first two steps at once; plan_road stops before the overlap-add, for a
// writer that makes the new signal as it writes it (make_signal); the main window runs them in
// two callbacks, with the joined rows kept in its handles record in between.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "prosody/resynthesis.h"
#include "road/intonation.h"
#include "road/phone_layout.h"
#include "synthesis/analysis.h"
#include "synthesis/unit_index.h"

namespace quelvara::road {

struct RoadResult {
  synthesis::Analysis analysis;
  std::vector<std::size_t> fronteiras;   // where each unit's second phone begins
  std::vector<double> sinal;             // empty unless analysis.status is ok
  std::vector<prosody::Position> analysis_marks;   // the plan's marks, as in Intonation
  std::vector<prosody::Position> synthesis_marks;
  std::optional<TargetRun> target;       // in a mode that plans a prosody target
  std::vector<std::string> diagnostics;  // "Erro no número de marcas" lines, in order
};

// unit_length, when given, lets the analysis reserve its rows once (synthesis::analyse). The
// phones run between the boundaries of index, or between the units' middles without one. In
// PhoMode the target's phones are the text and texto is not read.
RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root,
                    const synthesis::UnitLength& unit_length = {}, const synthesis::UnitIndex* index = nullptr);

// The road up to the plan, for a caller that runs the overlap-add as it writes the new signal
// (prosody::resynthesize_in_stretches on the plan's marks, over analysis.joined.orig) and so
// never holds it whole. The diagnostics are those run_road gives.
struct PlannedRoad {
  synthesis::Analysis analysis;
  std::vector<std::size_t> fronteiras;   // where each unit's second phone begins
  prosody::MarkPlan plan;                // "Factor" and "Gráfica": empty unless analysis.status is ok
  std::optional<TargetRun> target;       // the other modes, when analysis.status is ok
  std::vector<std::string> diagnostics;
  std::size_t length() const { return target ? target->plan.length : plan.synthesis_length; }
};

PlannedRoad plan_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                      const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length = {},
                      const synthesis::UnitIndex* index = nullptr);

// The new signal of a planned road (length() samples), handed to take stretch by stretch as
// the overlap-add finishes them.
void make_signal(const PlannedRoad& road, const prosody::StretchSink& take);

// The marks and voiced runs of joined rows, as planning reads them.
prosody::MarkedSignal marked_signal(const synthesis::Joined& joined);

}  // namespace quelvara::road
