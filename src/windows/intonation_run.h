#pragma once
// An intonation run on the main window's record, as the intonation selector and the analysis
// window's prosody edits make it, and the status line that tells whose result it is.
#include <string_view>

#include "road/intonation.h"
#include "runtime/value.h"

namespace quelvara::windows {

// Plans the new marks in mode on the rows the record keeps (a mode that plans a prosody target
// takes the phones it keeps too), resynthesises, and stores sinal and entoacao in handles;
// shown_as, when given, is the run's name in entoacao instead of the mode's. The record is
// not stored back in its window. runtime::RuntimeError when the record's phones are unusable.
road::Intonation run_intonation(runtime::Value& handles, const road::Mode& mode, std::string_view shown_as = {});

// The main window's status line, when its layout has one, says what handles holds.
void show_result_status(const runtime::Value& handles);
void show_status(const runtime::Value& handles, const std::string& text);

}  // namespace quelvara::windows
