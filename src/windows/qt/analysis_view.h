#pragma once
// The analysis window's picture on Qt widgets: the canvas inside the window's axes.
#include "graphics/object_tree.h"

namespace quelvara::windows {

class AnalysisCanvas;

// Registers the Qt drawing as the analysis display (once; later calls do nothing).
void install_analysis_view();

// The canvas shown in an axes, or nullptr.
AnalysisCanvas* analysis_canvas_of(graphics::Handle axes);

}  // namespace quelvara::windows
