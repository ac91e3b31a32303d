#include <QFontMetrics>
#include <algorithm>
#include <QPainter>

#include "pictures.h"

namespace quelvara::pictures {
namespace {

const QColor ink{0x20, 0x20, 0x20};
const QColor accent{0x1f, 0x4e, 0x79};
const QColor mark{0xb0, 0x30, 0x20};
const QColor faint{0x80, 0x80, 0x80};

constexpr int margin = 16;
constexpr int column_gap = 16;
constexpr int columns = 3;
constexpr int band_height = 52;
constexpr int footer_height = 48;
constexpr int row_height = 22;
constexpr int heading_height = 28;
constexpr int group_gap = 10;

struct Fonts {
  QFont title, heading, caption, symbol, ipa, word, word_marked, footer;
};

Fonts make_fonts() {
  const auto font = picture_font;
  Fonts f{font(22, true), font(16, true), font(12, false), font(16, true),
          font(17, false), font(15, false), font(15, true), font(13, false)};
  f.symbol.setFamilies({QStringLiteral("DejaVu Sans Mono"), picture_font_family()});
  return f;
}

// The rows of each group, groups in the order of their first row.
std::vector<std::pair<QString, std::vector<const ChartRow*>>> grouped(
    const std::vector<ChartRow>& rows) {
  std::vector<std::pair<QString, std::vector<const ChartRow*>>> groups;
  for (const ChartRow& row : rows) {
    const QString name = QString::fromStdString(row.group);
    auto it = std::find_if(groups.begin(), groups.end(),
                           [&](const auto& g) { return g.first == name; });
    if (it == groups.end()) it = groups.insert(groups.end(), {name, {}});
    it->second.push_back(&row);
  }
  return groups;
}

}  // namespace

QImage draw_chart(const std::vector<ChartRow>& rows) {
  QImage image(chart_size * picture_scale, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.scale(picture_scale, picture_scale);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const Fonts fonts = make_fonts();
  const int width = chart_size.width();
  const int height = chart_size.height();

  p.fillRect(0, 0, width, band_height, accent);
  p.setPen(Qt::white);
  p.setFont(fonts.title);
  p.drawText(QRect(margin, 0, width - 2 * margin, band_height), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("Símbolos SAMPA do português europeu"));

  const int column_width = (width - 2 * margin - (columns - 1) * column_gap) / columns;
  const int top = band_height + 12;
  const int bottom = height - footer_height;
  // Inside a column: the symbol, its IPA letter, then the example word.
  const int ipa_x = 50;
  const int word_x = 106;

  int column = -1;
  int y = bottom;  // forces a first column
  auto start_column = [&] {
    if (++column == columns) throw TableError("the SAMPA chart does not fit the picture");
    y = top;
    p.setFont(fonts.caption);
    p.setPen(faint);
    const int x = margin + column * (column_width + column_gap);
    p.drawText(QRect(x, y, column_width, row_height), Qt::AlignVCenter, QStringLiteral("SAMPA"));
    p.drawText(QRect(x + ipa_x, y, column_width, row_height), Qt::AlignVCenter,
               QStringLiteral("IPA"));
    p.drawText(QRect(x + word_x, y, column_width, row_height), Qt::AlignVCenter,
               QStringLiteral("exemplo"));
    y += row_height;
  };

  for (const auto& [name, members] : grouped(rows)) {
    const int group_height = heading_height + static_cast<int>(members.size()) * row_height;
    if (y != top + row_height) y += group_gap;
    if (y + group_height > bottom) start_column();
    const int x = margin + column * (column_width + column_gap);

    p.setFont(fonts.heading);
    p.setPen(accent);
    p.drawText(QRect(x, y, column_width, heading_height - 4), Qt::AlignBottom | Qt::AlignLeft,
               name);
    p.drawLine(x, y + heading_height - 2, x + column_width, y + heading_height - 2);
    y += heading_height;

    for (const ChartRow* row : members) {
      const QRect line(x, y, column_width, row_height);
      p.setPen(ink);
      p.setFont(fonts.symbol);
      p.drawText(line, Qt::AlignVCenter, QString::fromStdString(row->sampa));
      if (!row->ipa.empty()) {
        p.setFont(fonts.ipa);
        p.drawText(line.adjusted(ipa_x, 0, 0, 0), Qt::AlignVCenter,
                   QStringLiteral("[%1]").arg(QString::fromStdString(row->ipa)));
      }
      qreal word_left = x + word_x;
      for (const ExamplePiece& piece : split_example(row->example)) {
        const QFont& font = piece.marked ? fonts.word_marked : fonts.word;
        const QString text = QString::fromStdString(piece.text);
        p.setFont(font);
        p.setPen(piece.marked ? mark : ink);
        p.drawText(QRectF(word_left, y, x + column_width - word_left, row_height),
                   Qt::AlignVCenter, text);
        word_left += QFontMetricsF(font).horizontalAdvance(text);
      }
      y += row_height;
    }
  }

  p.setFont(fonts.footer);
  p.setPen(faint);
  p.drawText(QRect(margin, bottom, width - 2 * margin, footer_height),
             Qt::AlignVCenter | Qt::TextWordWrap,
             QStringLiteral("Escreva os símbolos seguidos, sem espaços (por exemplo _p6~w_).\n"
                            "Um . ! ou ? no fim da transcrição escolhe a entoação."));
  return image;
}

}  // namespace quelvara::pictures
