#pragma once
// The one place where the analysis window meets the main window's handles record: the fields
// that the analysis and intonation callbacks add for it, and the snapshot read back from them.
#include <optional>
#include <span>
#include <vector>

#include "inspection/record_of_run.h"
#include "road/intonation.h"
#include "runtime/value.h"
#include "synthesis/analysis.h"

namespace quelvara::windows {

// difones (a cell row of the diphone texts, in order) and limdf (a row of their unit lengths).
void add_analysis_fields(runtime::Record& record, const synthesis::Analysis& analysis);

// entoacao: a record of the run that made sinal: marcas_analise and marcas_sintese (rows of
// mark positions), modo ("Factor" or "Gráfica"), factor (empty in "Gráfica"), and the
// difones and pontuacao it was made from.
void add_intonation_fields(runtime::Record& record, const inspection::MarkPositions& marks,
                           const road::Mode& mode, char pontuacao);

// The snapshot of a main window's record: nullopt before a text has been analysed (or when
// its rows are unusable). The result is included only when sinal was made from the text now
// analysed.
std::optional<inspection::Snapshot> snapshot_of_record(const runtime::Value& handles);

}  // namespace quelvara::windows
