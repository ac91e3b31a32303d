#pragma once
// The analysis window "Análise": what the synthesizer did to the current text, drawn from the
// main window's handles record.
#include "runtime/value.h"

namespace quelvara::windows {

void register_analise();

// Redraws the analysis window, if it is open, from the main window's record handles.
void refresh_analysis_window(const runtime::Value& handles);

// Deletes the analysis window, if it is open: it goes with the main window.
void close_analysis_window();

}  // namespace quelvara::windows
