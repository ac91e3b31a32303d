#include <QFontMetrics>
#include <QPainter>

#include "pictures.h"

namespace quelvara::pictures {
namespace {

constexpr int margin = 32;
constexpr int strip_height = 8;
constexpr int gap_height = 14;  // an empty text line
constexpr int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

const QColor ink{0x20, 0x20, 0x20};
const QColor accent{0x1f, 0x4e, 0x79};
const QColor faint{0x60, 0x60, 0x60};

struct Styled {
  QFont font;
  QColor colour;
};

Styled style_of(CreditLine::Style style) {
  const auto font = picture_font;
  switch (style) {
    case CreditLine::Style::title: return {font(40, true), accent};
    case CreditLine::Style::subtitle: return {font(17, true), ink};
    case CreditLine::Style::text: return {font(14, false), ink};
    case CreditLine::Style::small: return {font(12, false), faint};
  }
  return {font(14, false), ink};
}

}  // namespace

QImage draw_credits(const std::vector<CreditLine>& lines) {
  QImage image(credits_size * picture_scale, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.scale(picture_scale, picture_scale);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const int width = credits_size.width();
  const int height = credits_size.height();
  p.fillRect(0, 0, width, strip_height, accent);
  p.fillRect(0, height - strip_height, width, strip_height, accent);

  // Measure first, so that the block of text sits in the middle of the picture.
  const QRect area(margin, 0, width - 2 * margin, height);
  std::vector<int> heights;
  int total = 0;
  for (const CreditLine& line : lines) {
    const int h = line.text.empty()
                      ? gap_height
                      : QFontMetrics(style_of(line.style).font)
                            .boundingRect(area, flags, QString::fromStdString(line.text))
                            .height();
    heights.push_back(h);
    total += h;
  }
  if (total > height - 2 * (strip_height + 8))
    throw TableError("the credits do not fit the picture");

  int y = (height - total) / 2;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].text.empty()) {
      const Styled styled = style_of(lines[i].style);
      p.setFont(styled.font);
      p.setPen(styled.colour);
      p.drawText(QRect(margin, y, area.width(), heights[i]), flags,
                 QString::fromStdString(lines[i].text));
    }
    y += heights[i];
  }
  return image;
}

}  // namespace quelvara::pictures
