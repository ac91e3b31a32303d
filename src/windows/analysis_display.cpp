#include "windows/analysis_display.h"

namespace quelvara::windows {

namespace {
AnalysisDisplay* current = nullptr;
}

void set_analysis_display(AnalysisDisplay* display) { current = display; }
AnalysisDisplay* analysis_display() { return current; }

}  // namespace quelvara::windows
