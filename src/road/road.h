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
#include "synthesis/analysis.h"

namespace quelvara::road {

struct RoadResult {
  synthesis::Analysis analysis;
  std::vector<double> sinal;             // empty unless analysis.status is ok
  std::vector<prosody::Position> analysis_marks;   // the plan's marks, as in Intonation
  std::vector<prosody::Position> synthesis_marks;
  std::vector<std::string> diagnostics;  // "Erro no número de marcas" lines, in order
};

// unit_length, when given, lets the analysis reserve its rows once (synthesis::analyse).
RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root,
                    const synthesis::UnitLength& unit_length = {});

// The road up to the plan, for a caller that runs the overlap-add as it writes the new signal
// (prosody::resynthesize_in_stretches on the plan's marks, over analysis.joined.orig) and so
// never holds it whole. The diagnostics are those run_road gives.
struct PlannedRoad {
  synthesis::Analysis analysis;
  prosody::MarkPlan plan;                // empty unless analysis.status is ok
  std::vector<std::string> diagnostics;
};

PlannedRoad plan_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                      const std::filesystem::path& database_root, const synthesis::UnitLength& unit_length = {});

// The new signal of a planned road (plan.synthesis_length samples), handed to take stretch by
// stretch as the overlap-add finishes them.
void make_signal(const PlannedRoad& road, const prosody::StretchSink& take);

// The marks and voiced runs of joined rows, as planning reads them.
prosody::MarkedSignal marked_signal(const synthesis::Joined& joined);

}  // namespace quelvara::road
