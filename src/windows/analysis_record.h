#pragma once
// The one place where the analysis window meets the main window's handles record: the fields
// that the analysis and intonation callbacks add for it, and the snapshot read back from them.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspection/record_of_run.h"
#include "road/intonation.h"
#include "road/phone_layout.h"
#include "runtime/value.h"
#include "synthesis/analysis.h"

namespace quelvara::windows {

// difones (a cell row of the diphone texts, in order), limdf (a row of their unit lengths),
// fronteiras (a row: where each unit's second phone begins in it) and acentos (a row: the
// stress of each phone, 0 none, 1 secondary, 2 primary) and texto_analisado (the text as it was
// confirmed).
void add_analysis_fields(runtime::Record& record, const synthesis::Analysis& analysis,
                         std::span<const std::size_t> fronteiras, const std::string& texto);

// The phones of the analysis stored in a record, for a run on a prosody target; nullopt when
// its fields are missing or unusable.
std::optional<road::PhoneLayout> phone_layout_of_record(const runtime::Value& handles);

// entoacao: a record of the run that made sinal: marcas_analise and marcas_sintese (rows of
// mark positions), modo ("Factor", "Gráfica" or "Natural"), factor (empty but in "Factor"),
// pontuacao, texto (the analysed text it was made from), numero (the run's number, new for
// every run in the process) and, for a run on a prosody target, f0_planeado (a row of times in
// seconds, then a row of Hz) and fones_planeados (a row: where each phone begins and the last
// ends, in seconds). modo is shown_as when given.
void add_intonation_fields(runtime::Record& record, const inspection::MarkPositions& marks,
                           const road::Mode& mode, char pontuacao, const road::TargetRun* target = nullptr,
                           std::string_view shown_as = {});

// The number of the run that made the record's sinal, when that run is of the text now analysed.
std::optional<double> current_run(const runtime::Value& handles);

// Whether the record's sinal was made from the text now analysed; false without a sinal.
bool result_is_current(const runtime::Value& handles);

// What the main window's status line says of the record: whether a text has been analysed, and
// whether the result that Ouvir and Gravar use belongs to it.
std::string status_of_record(const runtime::Value& handles);

// The Portuguese spelling that the text now analysed was transcribed from, or "" when the text
// was typed in SAMPA (or changed after the transcription). transcribed_from records it.
std::string spelling_of_record(const runtime::Value& handles);
void transcribed_from(runtime::Record& record, const std::string& spelling, const std::string& sampa);

// The snapshot of a main window's record: nullopt before a text has been analysed (or when
// its rows are unusable). The result is included only when sinal was made from the text now
// analysed.
std::optional<inspection::Snapshot> snapshot_of_record(const runtime::Value& handles);

}  // namespace quelvara::windows
