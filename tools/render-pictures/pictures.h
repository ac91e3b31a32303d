#pragma once
// Drawing the credits and SAMPA chart pictures from their tables.
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "picture_tables.h"

namespace quelvara::pictures {

// Sizes on screen, chosen to read well at 100 % and to stay inside a laptop screen at 200 %
// scaling; the chart is narrow enough to stand beside the main window on a wide screen.
inline const QSize chart_size{700, 620};
inline const QSize credits_size{560, 360};
// The files hold twice as many pixels each way, so that accents and tildes stay sharp on a
// screen at 200 %; the windows show the pictures at the sizes above.
inline constexpr int picture_scale = 2;

// The family the pictures are drawn in: DejaVu Sans when fontconfig has it (it covers the IPA
// letters), else the toolkit's general font, with a warning on standard error.
QString picture_font_family();
// That family at a size in pixels, unhinted so that it is measured and drawn alike at the
// pictures' doubled scale.
QFont picture_font(int pixels, bool bold);

// Throws TableError when the rows do not fit the picture.
QImage draw_chart(const std::vector<ChartRow>& rows);
// Throws TableError when the lines do not fit the picture.
QImage draw_credits(const std::vector<CreditLine>& lines);

}  // namespace quelvara::pictures
