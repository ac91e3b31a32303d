#pragma once
// The analysis picture as a file for slides and papers: PNG at twice the picture's size (sharp
// on a projector), or SVG, whose lines and texts stay vectors.
#include <filesystem>
#include <string>

namespace quelvara::windows {

class AnalysisCanvas;

// Writes canvas's picture at its current view to path, as SVG when path ends in ".svg" (in any
// case) and as PNG otherwise. Gives why it could not, or "" once written.
std::string save_analysis_picture(const AnalysisCanvas& canvas, const std::filesystem::path& path);

}  // namespace quelvara::windows
