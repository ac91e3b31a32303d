#pragma once
// Drawing the credits and SAMPA chart pictures from their tables.
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "picture_tables.h"

namespace quelvara::pictures {

// Sizes chosen to read well at 100 % and to stay inside a laptop screen at 200 % scaling.
inline const QSize chart_size{900, 620};
inline const QSize credits_size{560, 360};

// The family the pictures are drawn in: DejaVu Sans when fontconfig has it (it covers the IPA
// letters), else the toolkit's general font, with a warning on standard error.
QString picture_font_family();

// Throws TableError when the rows do not fit the picture.
QImage draw_chart(const std::vector<ChartRow>& rows);
// Throws TableError when the lines do not fit the picture.
QImage draw_credits(const std::vector<CreditLine>& lines);

}  // namespace quelvara::pictures
