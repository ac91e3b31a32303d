#pragma once
// A spectrogram drawn into a panel of the analysis picture, for the seconds the panel shows:
// grey levels, dark where loud, from 0 Hz at the bottom to the spectrogram's top frequency;
// formant tracks as dots over it.
#include <QColor>
#include <vector>

#include "inspection/formants.h"
#include "inspection/plot_layout.h"
#include "inspection/spectrogram.h"

class QPainter;

namespace quelvara::windows {

// Frequency at the top of a spectrogram panel.
double spectrogram_top_hz(const inspection::Spectrogram& s);

// Each pixel column shows the mean level of the frames whose centres fall in it (the nearest
// frame when none does), each row the bin nearest its frequency.
void draw_spectrogram(QPainter& p, const inspection::PlotLayout& l, const inspection::Box& panel,
                      const inspection::Spectrogram& s);

void draw_formants(QPainter& p, const inspection::PlotLayout& l, const inspection::Box& panel, double top_hz,
                   const std::vector<inspection::FormantFrame>& frames, const QColor& colour);

}  // namespace quelvara::windows
