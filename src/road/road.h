#pragma once
// The whole signal road for one text, as the main window runs it, shared by quelvara-synth,
// the main window and the benchmarks.
//
// Typical sequence:
//   analysis = synthesis::analyse(texto, reader, root)      text -> diphones -> units -> joined,
//                                                            smoothed rows (orig, pitch, vzmto)
//   sinal    = reshape(orig, pitch, vzmto, mode, pontuacao)  plan in the mode, then overlap-add
//   then sinal is saved as a 16-bit WAVE file at 22050 Hz, or played
// run_road does the first two steps at once; the main window runs them in two callbacks, with
// the joined rows kept in its handles record in between.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// The marks and voiced runs of joined rows, as planning reads them.
prosody::MarkedSignal marked_signal(const synthesis::Joined& joined);

}  // namespace quelvara::road
