#include "windows/qt/analysis_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "windows/qt/spectrogram_picture.h"

namespace quelvara::windows {

namespace {

using inspection::Box;
using inspection::PlotLayout;
using inspection::sample_rate;

constexpr double shortest_view = 0.002;  // seconds: some 44 samples across the picture
constexpr int scroll_height = 16;
constexpr double scroll_unit = 1e-4;  // seconds per step of the scroll bar

int column(double x) { return static_cast<int>(std::floor(x)); }
int row(double y) { return static_cast<int>(std::lround(y)); }

// Decimal numbers the Portuguese way.
QString decimal(double x, int places) { return QString::number(x, 'f', places).replace('.', ','); }

double mark_time(std::size_t position) { return (static_cast<double>(position) - 1) / sample_rate; }

bool in_view(const PlotLayout& l, double x) { return x >= l.orig.left && x < l.orig.right(); }

void draw_signal(QPainter& p, const PlotLayout& l, const Box& panel, const std::vector<double>& x, const QColor& colour) {
  p.setPen(QColor(225, 225, 225));
  p.drawLine(QPointF(panel.left, row(panel.middle())), QPointF(panel.right() - 1, row(panel.middle())));
  p.setPen(colour);
  const double first = l.start * sample_rate;
  const double per_column = (l.end - l.start) * sample_rate / panel.width;
  const auto clamp_y = [&](double v) {
    return std::clamp(PlotLayout::value_y(panel, v), panel.top, panel.bottom() - 1);
  };
  if (per_column >= 2) {
    const auto columns = static_cast<std::size_t>(panel.width);
    const auto extremes = inspection::column_extremes(x, first, per_column, columns);
    for (std::size_t c = 0; c < columns; ++c) {
      if (extremes[c].empty) continue;
      const int px = column(panel.left) + static_cast<int>(c);
      p.drawLine(px, row(clamp_y(extremes[c].high)), px, row(clamp_y(extremes[c].low)));
    }
    return;
  }
  // Zoomed in: a line through the samples, which show as dots once they are far apart.
  const auto from = static_cast<std::size_t>(std::max(0.0, std::floor(first) - 1));
  const auto to = std::min(x.size(), static_cast<std::size_t>(std::max(0.0, std::ceil(l.end * sample_rate) + 2)));
  QPolygonF line;
  for (std::size_t k = from; k < to; ++k) line << QPointF(l.x_of(static_cast<double>(k) / sample_rate), clamp_y(x[k]));
  p.drawPolyline(line);
  if (per_column < 0.25)
    for (const QPointF& point : line) p.fillRect(QRectF(point.x() - 1, point.y() - 1, 3, 3), colour);
}

void draw_ticks(QPainter& p, const PlotLayout& l, const std::vector<std::size_t>& marks, double from_y, double to_y) {
  p.setPen(CanvasColours::mark);
  for (std::size_t m : marks) {
    const double x = l.x_of(mark_time(m));
    if (in_view(l, x)) p.drawLine(column(x), row(from_y), column(x), row(to_y));
  }
}

void draw_pitch(QPainter& p, const PlotLayout& l, const std::vector<inspection::PitchPoint>& points, const QColor& colour,
                bool square) {
  const auto at = [&](const inspection::PitchPoint& q) {
    return QPoint(column(l.x_of(q.time)), row(std::clamp(l.pitch_y(q.hz), l.pitch.top, l.pitch.bottom() - 1)));
  };
  QPen pen(colour);
  p.setPen(pen);
  // Neighbouring periods of one voiced stretch are joined by a line.
  for (std::size_t i = 0; !square && i + 1 < points.size(); ++i) {
    const double gap = points[i + 1].time - points[i].time;
    if (gap > 0 && gap < 2.5 / points[i].hz) p.drawLine(at(points[i]), at(points[i + 1]));
  }
  for (const auto& q : points) {
    const QPoint c = at(q);
    if (!in_view(l, c.x())) continue;
    if (square) {
      p.setBrush(Qt::NoBrush);
      p.drawRect(c.x() - 3, c.y() - 3, 6, 6);
    } else {
      p.fillRect(c.x() - 1, c.y() - 1, 3, 3, colour);
    }
  }
}

// A time step that puts some eight to fifteen ticks across the view.
double tick_step(double span) {
  for (double step : {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0})
    if (span / step <= 15) return step;
  return 20;
}

int places_of(double step) { return step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3; }

// A label centred in its room; where it does not fit, a dot says that one is there (the
// pointer's status line names it).
void draw_label(QPainter& p, double centre, const Box& strip, const QString& text, double room) {
  const int width = p.fontMetrics().horizontalAdvance(text);
  if (width + 2 <= room) {
    p.drawText(QRectF(centre - width / 2.0 - 1, strip.top, width + 2, strip.height), Qt::AlignCenter, text);
  } else if (room >= 3) {
    p.fillRect(QRectF(std::floor(centre), strip.middle(), 1, 2), p.pen().color());
  }
}

void draw_panel_names(QPainter& p, const PlotLayout& l, bool has_result) {
  p.setPen(Qt::darkGray);
  const auto name = [&](const Box& b, const QString& text) {
    if (b.height > 0) p.drawText(QRectF(2, b.top, l.orig.left - 6, b.height), Qt::AlignRight | Qt::AlignVCenter, text);
  };
  name(l.diphone_labels, QStringLiteral("difone"));
  name(l.phone_labels, QStringLiteral("fone"));
  name(l.orig, QStringLiteral("original"));
  name(l.orig_spectrum, QStringLiteral("espectro"));
  if (has_result) {
    name(l.sinal, QStringLiteral("resultado"));
    name(l.sinal_spectrum, QStringLiteral("espectro"));
  }
}

// A spectrogram panel with its formants, and its top and bottom frequencies beside it.
void draw_spectra(QPainter& p, const PlotLayout& l, const Box& panel, const inspection::Spectrogram& s,
                  const std::vector<inspection::FormantFrame>& formants) {
  if (panel.height <= 0 || s.frames == 0) return;
  draw_spectrogram(p, l, panel, s);
  draw_formants(p, l, panel, spectrogram_top_hz(s), formants, CanvasColours::formant);
  p.save();
  p.setClipping(false);
  p.setPen(Qt::darkGray);
  const QRectF margin(2, panel.top, l.orig.left - 6, panel.height);
  p.drawText(margin, Qt::AlignRight | Qt::AlignTop, decimal(spectrogram_top_hz(s) / 1000, 0) + " kHz");
  p.drawText(margin, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("0 Hz"));
  p.restore();
}

// The joined signal over its voiced stretches, with its pitch marks, and the cut: a line at
// every join, the diphone names between them and the shared phones.
void draw_cut(QPainter& p, const PlotLayout& l, const inspection::Snapshot& s,
              const std::vector<inspection::Stretch>& voiced) {
  for (const auto& stretch : voiced) {
    const double a = l.x_of(static_cast<double>(stretch.begin) / sample_rate);
    const double b = l.x_of(static_cast<double>(stretch.end) / sample_rate);
    if (b < l.orig.left || a >= l.orig.right()) continue;
    p.fillRect(QRectF(std::floor(a), l.orig.top, std::max(1.0, std::floor(b) - std::floor(a)), l.orig.height),
               CanvasColours::voiced);
  }
  draw_signal(p, l, l.orig, s.orig, CanvasColours::orig);
  draw_ticks(p, l, s.pitch_marks, l.orig.bottom() - 8, l.orig.bottom() - 1);

  const auto bounds = inspection::unit_boundaries(s);
  p.setPen(CanvasColours::join);
  for (std::size_t k = 1; k + 1 < bounds.size(); ++k) {
    const double x = l.x_of(static_cast<double>(bounds[k]) / sample_rate);
    if (in_view(l, x)) p.drawLine(column(x), row(l.diphone_labels.top), column(x), row(l.orig.bottom() - 1));
  }
  p.setPen(Qt::black);
  for (const auto& d : inspection::diphone_intervals(s)) {
    const double a = std::max(l.x_of(d.start), l.orig.left), b = std::min(l.x_of(d.end), l.orig.right());
    if (b > a) draw_label(p, (a + b) / 2, l.diphone_labels, QString::fromStdString(d.label), b - a);
  }
  p.setPen(QColor(90, 90, 90));
  for (const auto& f : inspection::phone_intervals(s)) {
    const double a = std::max(l.x_of(f.start), l.orig.left), b = std::min(l.x_of(f.end), l.orig.right());
    if (b > a) draw_label(p, (a + b) / 2, l.phone_labels, QString::fromStdString(f.label), b - a);
  }
}

// The result with its synthesis marks, and a line from every analysis mark to the synthesis
// mark its period moved to, between the two panels.
void draw_result(QPainter& p, const PlotLayout& l, const inspection::Resynthesis& r) {
  draw_signal(p, l, l.sinal, r.sinal, CanvasColours::sinal);
  draw_ticks(p, l, r.synthesis_marks, l.sinal.top, l.sinal.top + 7);
  p.setPen(CanvasColours::link);
  const std::size_t pairs = std::min(r.analysis_marks.size(), r.synthesis_marks.size());
  for (std::size_t i = 0; i < pairs; ++i) {
    const double xa = l.x_of(mark_time(r.analysis_marks[i])), xs = l.x_of(mark_time(r.synthesis_marks[i]));
    if ((xa < l.orig.left && xs < l.orig.left) || (xa >= l.orig.right() && xs >= l.orig.right())) continue;
    p.drawLine(column(xa), row(l.links.top + 1), column(xs), row(l.links.bottom() - 2));
  }
}

// Pitch against time: the lines and labels every 100 Hz, the pitch of the joined signal and
// of the result, and the contour's points.
struct PitchCurves {
  const std::vector<inspection::PitchPoint>& joined;
  const std::vector<inspection::PitchPoint>& result;
  const std::vector<inspection::PitchPoint>& contour;
};

void draw_pitch_axis(QPainter& p, const PlotLayout& l, const PitchCurves& curves) {
  // Grid lines and labels every 100 Hz, or every 6 semitones from an octave below 100 Hz.
  std::vector<std::pair<double, QString>> ticks;
  if (l.semitones) {
    for (double st = -12; inspection::hz_of_semitones(st) < l.hz_top; st += 6)
      ticks.emplace_back(inspection::hz_of_semitones(st), QString::number(st, 'f', 0).replace('-', QChar(0x2212)) + " st");
  } else {
    for (double hz = 0; hz < l.hz_top; hz += 100) ticks.emplace_back(hz, QString::number(hz, 'f', 0) + " Hz");
  }
  p.setPen(QColor(225, 225, 225));
  for (const auto& [hz, label] : ticks)
    if (row(l.pitch_y(hz)) < l.pitch.bottom() - 1)
      p.drawLine(QPointF(l.pitch.left, row(l.pitch_y(hz))), QPointF(l.pitch.right() - 1, row(l.pitch_y(hz))));
  p.setPen(Qt::darkGray);
  for (const auto& [hz, label] : ticks)
    p.drawText(QRectF(2, l.pitch_y(hz) - 8, l.orig.left - 6, 16), Qt::AlignRight | Qt::AlignVCenter, label);
  p.save();
  p.setClipRect(QRectF(l.pitch.left, l.pitch.top, l.pitch.width, l.pitch.height));
  draw_pitch(p, l, curves.joined, CanvasColours::orig_pitch, false);
  draw_pitch(p, l, curves.result, CanvasColours::sinal_pitch, false);
  draw_pitch(p, l, curves.contour, CanvasColours::contour, true);
  p.restore();
}

// What the curves, squares and dots are, in the pitch panel's upper right corner.
struct LegendEntry {
  QColor colour;
  enum class Shape { line, square, dots } shape;
  QString text;
};

void draw_legend(QPainter& p, const PlotLayout& l, const std::vector<LegendEntry>& entries) {
  if (entries.empty()) return;
  const QFontMetrics metrics = p.fontMetrics();
  const int line = metrics.height(), sample = 18;
  int widest = 0;
  for (const auto& e : entries) widest = std::max(widest, metrics.horizontalAdvance(e.text));
  const QRectF box(l.pitch.right() - widest - sample - 16, l.pitch.top + 3, widest + sample + 12,
                   line * static_cast<double>(entries.size()) + 6);
  if (box.left() < l.pitch.left || box.bottom() > l.pitch.bottom()) return;  // no room: the panel is too small
  p.fillRect(box, QColor(255, 255, 255, 225));
  p.setPen(QColor(200, 200, 200));
  p.setBrush(Qt::NoBrush);
  p.drawRect(box);
  double y = box.top() + 3;
  for (const auto& e : entries) {
    const double middle = y + line / 2.0, x = box.left() + 4;
    p.setPen(e.colour);
    switch (e.shape) {
      case LegendEntry::Shape::line:
        p.drawLine(QPointF(x, middle), QPointF(x + sample - 4, middle));
        p.fillRect(QRectF(x + sample / 2.0 - 3, middle - 1, 3, 3), e.colour);
        break;
      case LegendEntry::Shape::square:
        p.drawRect(QRectF(x + sample / 2.0 - 5, middle - 3, 6, 6));
        break;
      case LegendEntry::Shape::dots:
        for (int k = 0; k < 3; ++k) p.fillRect(QRectF(x + 2 + 5 * k, middle - 1 + (k - 1) * 2, 3, 3), e.colour);
        break;
    }
    p.setPen(Qt::black);
    p.drawText(QRectF(x + sample, y, widest + 4, line), Qt::AlignLeft | Qt::AlignVCenter, e.text);
    y += line;
  }
}

// The panels' frames, drawn after their contents so that nothing covers them.
void draw_frames(QPainter& p, const PlotLayout& l, bool has_result) {
  p.setPen(QColor(170, 170, 170));
  p.setBrush(Qt::NoBrush);
  for (const Box* b : {&l.orig, &l.orig_spectrum, &l.sinal, &l.sinal_spectrum, &l.pitch}) {
    if (((b == &l.sinal || b == &l.sinal_spectrum) && !has_result) || b->height <= 0) continue;
    p.drawRect(QRectF(b->left - 1, b->top - 1, b->width + 1, b->height + 1));
  }
}

void draw_time_axis(QPainter& p, const PlotLayout& l, int width) {
  const double step = tick_step(l.end - l.start);
  p.setPen(Qt::darkGray);
  for (double t = std::ceil(l.start / step) * step; t <= l.end + 1e-9; t += step) {
    const double x = l.x_of(t);
    p.drawLine(column(x), row(l.time_axis.top), column(x), row(l.time_axis.top + 3));
    const QString label = decimal(t, places_of(step)) + " s";
    const double half = p.fontMetrics().horizontalAdvance(label) / 2.0 + 1;
    const double centre = std::clamp(x, half, std::max(half, width - half));  // kept inside the picture
    draw_label(p, centre, Box{0, l.time_axis.top + 2, 0, l.time_axis.height - 2}, label, 1e9);
  }
}

// The selected stretch, shaded, and a dashed line under the pointer.
void draw_selection_and_pointer(QPainter& p, const PlotLayout& l, const std::optional<std::pair<double, double>>& selection,
                                const std::optional<QPointF>& pointer) {
  if (selection) {
    const double a = std::max(l.x_of(selection->first), l.orig.left);
    const double b = std::min(l.x_of(selection->second), l.orig.right());
    if (b > a) p.fillRect(QRectF(a, l.orig.top, b - a, l.pitch.bottom() - l.orig.top), CanvasColours::selection);
  }
  if (pointer && in_view(l, pointer->x())) {
    QPen dashed(QColor(110, 110, 110));
    dashed.setStyle(Qt::DashLine);
    p.setPen(dashed);
    p.drawLine(column(pointer->x()), row(l.orig.top), column(pointer->x()), row(l.pitch.bottom() - 1));
  }
}

// The status line: what is under the pointer (described), or how to use the picture; and at its
// right, the selection's times.
void draw_status(QPainter& p, const PlotLayout& l, const inspection::Snapshot& s, QString described,
                 const QString& times) {
  p.setPen(Qt::black);
  QRectF room(l.status.left, l.status.top, l.status.width, l.status.height);
  if (!times.isEmpty()) {
    p.drawText(room, Qt::AlignRight | Qt::AlignVCenter, times);
    room.setRight(room.right() - p.fontMetrics().horizontalAdvance(times) - 12);
  }
  if (described.isEmpty())
    described = QStringLiteral("Roda do rato: aproximar · arrastar: seleccionar · arrastar com o botão direito: "
                               "ver só essa parte · ") +
                (s.result ? (QString::fromStdString(s.result->mode) +
                             (s.result->mode == "Factor" ? " " + decimal(s.result->factor, 2) : QString()))
                          : QStringLiteral("sem resultado: escolha a entoação"));
  p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
             p.fontMetrics().elidedText(described, Qt::ElideRight, static_cast<int>(room.width())));
}

}  // namespace

AnalysisCanvas::AnalysisCanvas(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(QStringLiteral("Rato: roda aproxima, arrastar selecciona, arrastar com o botão direito mostra só essa parte.\n"
                            "Teclado: ← → andam, + − aproximam e afastam, Home mostra tudo, Shift+← → selecciona, "
                            "Enter mostra só a selecção."));
  setAttribute(Qt::WA_OpaquePaintEvent);
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    if (scrolling_) return;
    const double span = end_ - start_;
    set_view(value * scroll_unit, value * scroll_unit + span);
  });
}

double AnalysisCanvas::duration() const {
  if (!snapshot_) return 1;
  std::size_t n = snapshot_->orig.size();
  if (snapshot_->result) n = std::max(n, snapshot_->result->sinal.size());
  return n > 0 ? static_cast<double>(n) / sample_rate : 1;
}

AnalysisCanvas::Spectra AnalysisCanvas::analyse(const std::vector<double>& x) const {
  Spectra out;
  if (options_.spectrogram == SpectrogramView::none) return out;
  out.spectrogram = inspection::spectrogram(x, options_.spectrogram == SpectrogramView::wideband
                                                   ? inspection::wideband_settings()
                                                   : inspection::narrowband_settings());
  if (options_.formants) out.formants = inspection::formant_tracks(x);
  return out;
}

void AnalysisCanvas::set_options(const ViewOptions& options) {
  const bool spectra = options.spectrogram != options_.spectrogram || options.formants != options_.formants;
  options_ = options;
  if (spectra && snapshot_) {
    orig_spectra_ = analyse(snapshot_->orig);
    result_spectra_ = snapshot_->result ? analyse(snapshot_->result->sinal) : Spectra{};
  }
  update();
}

void AnalysisCanvas::set_snapshot(std::shared_ptr<const inspection::Snapshot> snapshot) {
  const double before = duration();
  // An edit of the prosody changes the result only: the joined signal's spectra stay.
  const bool same_orig = snapshot_ && snapshot && snapshot_->orig == snapshot->orig;
  snapshot_ = std::move(snapshot);
  const auto* s = snapshot_.get();
  if (!same_orig) orig_spectra_ = s ? analyse(s->orig) : Spectra{};
  result_spectra_ = s && s->result ? analyse(s->result->sinal) : Spectra{};
  derived_ = s ? Derived{inspection::voiced_stretches(*s), inspection::joined_pitch(*s), inspection::result_pitch(*s),
                         inspection::contour_points(*s)}
               : Derived{};
  double highest = 0;
  for (const auto* points : {&derived_.joined_pitch, &derived_.result_pitch, &derived_.contour})
    for (const auto& q : *points) highest = std::max(highest, q.hz);
  hz_top_ = inspection::pitch_scale(highest);
  if (duration() != before) {
    show_everything();
  } else {
    set_view(start_, end_);
  }
}

void AnalysisCanvas::show_everything() {
  selection_.reset();
  set_view(0, duration());
}

void AnalysisCanvas::set_view(double start, double end) {
  const double total = duration();
  double span = std::clamp(end - start, std::min(shortest_view, total), total);
  start = std::clamp(start, 0.0, total - span);
  start_ = start;
  end_ = start + span;
  update_scroll_bar();
  update();
}

std::optional<std::pair<double, double>> AnalysisCanvas::selection() const { return selection_; }

void AnalysisCanvas::set_selection(double start, double end) {
  if (end < start) std::swap(start, end);
  selection_ = {std::max(0.0, start), std::min(duration(), end)};
  update();
}

QSize AnalysisCanvas::plot_size() const { return QSize(width(), std::max(1, height() - scroll_height)); }

inspection::PlotLayout AnalysisCanvas::layout() const { return layout_for(plot_size()); }

inspection::PlotLayout AnalysisCanvas::layout_for(QSize size) const {
  return inspection::plot_layout(size.width(), size.height(), start_, end_, hz_top_,
                                 {options_.spectrogram != SpectrogramView::none, options_.semitones});
}

void AnalysisCanvas::update_scroll_bar() {
  scrolling_ = true;
  const double span = end_ - start_;
  scroll_->setRange(0, static_cast<int>(std::lround((duration() - span) / scroll_unit)));
  scroll_->setPageStep(std::max(1, static_cast<int>(std::lround(span / scroll_unit))));
  scroll_->setSingleStep(std::max(1, static_cast<int>(std::lround(span / 10 / scroll_unit))));
  scroll_->setValue(static_cast<int>(std::lround(start_ / scroll_unit)));
  scrolling_ = false;
}

void AnalysisCanvas::paint(QPainter& p, QSize size) const {
  const PlotLayout l = layout_for(size);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(QPoint(0, 0), size), CanvasColours::background);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
  p.setFont(small);
  if (!snapshot_) {
    p.setPen(Qt::darkGray);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
               QStringLiteral("Analise um texto na janela principal para o ver aqui."));
    return;
  }
  const inspection::Snapshot& s = *snapshot_;
  draw_panel_names(p, l, s.result.has_value());
  p.save();
  p.setClipRect(QRectF(l.orig.left, 0, l.orig.width, size.height()));
  draw_cut(p, l, s, derived_.voiced);
  draw_spectra(p, l, l.orig_spectrum, orig_spectra_.spectrogram, orig_spectra_.formants);
  if (s.result) {
    draw_result(p, l, *s.result);
    draw_spectra(p, l, l.sinal_spectrum, result_spectra_.spectrogram, result_spectra_.formants);
  }
  p.restore();
  draw_pitch_axis(p, l, {derived_.joined_pitch, derived_.result_pitch, derived_.contour});
  std::vector<LegendEntry> legend{{CanvasColours::orig_pitch, LegendEntry::Shape::line, QStringLiteral("F0 original")}};
  if (s.result) legend.push_back({CanvasColours::sinal_pitch, LegendEntry::Shape::line, QStringLiteral("F0 resultado")});
  if (!derived_.contour.empty())
    legend.push_back({CanvasColours::contour, LegendEntry::Shape::square,
                      s.result->mode == "Gráfica" ? QStringLiteral("pontos da curva Gráfica") : QStringLiteral("pontos do alvo de F0")});
  if (!orig_spectra_.formants.empty())
    legend.push_back({CanvasColours::formant, LegendEntry::Shape::dots, QStringLiteral("formantes F1–F3")});
  draw_legend(p, l, legend);
  draw_frames(p, l, s.result.has_value());
  draw_time_axis(p, l, size.width());
  draw_selection_and_pointer(p, l, selection_, hover_);
  draw_status(p, l, s, hover_ ? describe(*hover_) : QString(), selection_summary());
  if (hasFocus()) {  // the keyboard acts on the picture
    p.setPen(palette().color(QPalette::Highlight));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
  }
}

QString AnalysisCanvas::selection_summary() const {
  if (!selection_) return {};
  const auto [from, to] = *selection_;
  return QStringLiteral("selecção: ") + decimal(from, 3) + QStringLiteral(" – ") + decimal(to, 3) +
         QStringLiteral(" s (") + decimal(to - from, 3) + QStringLiteral(" s)");
}

QString AnalysisCanvas::describe(QPointF at) const {
  if (!snapshot_) return {};
  const PlotLayout l = layout_for(plot_size());
  if (!in_view(l, at.x()) || at.y() < l.diphone_labels.top || at.y() >= l.pitch.bottom()) return {};
  const inspection::Snapshot& s = *snapshot_;
  const double t = l.time_of(at.x());
  const auto sample = static_cast<std::size_t>(std::max(0.0, std::floor(t * sample_rate)));
  const bool below = s.result && at.y() >= l.links.top && at.y() < l.result_phones.bottom();
  // In the result, the diphone is the one whose period was moved to this place.
  std::size_t source = sample;
  QString where = QStringLiteral("original");
  const std::vector<double>* signal = &s.orig;
  if (below) {
    const auto& r = *s.result;
    signal = &r.sinal;
    where = QStringLiteral("resultado");
    const std::size_t pairs = std::min(r.analysis_marks.size(), r.synthesis_marks.size());
    const auto it = std::upper_bound(r.synthesis_marks.begin(), r.synthesis_marks.begin() + static_cast<std::ptrdiff_t>(pairs),
                                     sample + 1);
    if (it != r.synthesis_marks.begin()) {
      const auto i = static_cast<std::size_t>(it - r.synthesis_marks.begin()) - 1;
      source = r.analysis_marks[i] - 1 + (sample + 1 - r.synthesis_marks[i]);
    }
  }
  QString text = "t = " + decimal(t, 4) + " s   " + where;
  if (sample < signal->size()) text += ": " + decimal((*signal)[sample], 4);
  if (const auto k = inspection::diphone_at(s, source)) text += "   difone " + QString::fromStdString(s.difones[*k]);
  // The frequency under the pointer, in a spectrogram or the pitch panel.
  for (const auto& [panel, spectra] :
       {std::pair{&l.orig_spectrum, &orig_spectra_}, std::pair{&l.sinal_spectrum, &result_spectra_}})
    if (panel->height > 0 && at.y() >= panel->top && at.y() < panel->bottom() && spectra->spectrogram.frames > 0)
      text += "   " + decimal((panel->bottom() - at.y()) / panel->height * spectrogram_top_hz(spectra->spectrogram), 0) + " Hz";
  if (at.y() >= l.pitch.top) {
    const double hz = l.pitch_hz(at.y());
    text += "   F0 " + decimal(hz, 0) + " Hz";
    if (hz > 0) text += " (" + decimal(inspection::semitones(hz), 1) + " st)";
  }
  return text;
}

void AnalysisCanvas::keyPressEvent(QKeyEvent* e) {
  const double span = end_ - start_, step = span / 10;
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const double by = e->key() == Qt::Key_Left ? -step : step;
      if (shift) {
        // The selection grows or shrinks at its end, from the middle of the view at first.
        const auto [from, to] = selection_.value_or(std::pair{(start_ + end_) / 2, (start_ + end_) / 2});
        set_selection(from, std::clamp(to + by, 0.0, duration()));
      } else {
        set_view(start_ + by, end_ + by);
      }
      break;
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoom_about((start_ + end_) / 2, 0.8);
      break;
    case Qt::Key_Minus:
      zoom_about((start_ + end_) / 2, 1.25);
      break;
    case Qt::Key_Home:
      show_everything();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!selection_) return QWidget::keyPressEvent(e);
      set_view(selection_->first, selection_->second);
      selection_.reset();
      break;
    default:
      return QWidget::keyPressEvent(e);
  }
  e->accept();
}

void AnalysisCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paint(p, plot_size());
}

void AnalysisCanvas::resizeEvent(QResizeEvent*) {
  scroll_->setGeometry(0, height() - scroll_height, width(), scroll_height);
}

void AnalysisCanvas::zoom_about(double time, double factor) {
  const double span = (end_ - start_) * factor;
  const double share = (time - start_) / (end_ - start_);
  set_view(time - share * span, time - share * span + span);
}

void AnalysisCanvas::wheelEvent(QWheelEvent* e) {
  const QPoint turn = e->angleDelta();
  const PlotLayout l = layout_for(plot_size());
  if (turn.x() != 0 || e->modifiers() & Qt::ShiftModifier) {
    const double steps = (turn.x() != 0 ? turn.x() : turn.y()) / 120.0;
    const double shift = -steps * (end_ - start_) / 10;
    set_view(start_ + shift, end_ + shift);
  } else if (turn.y() != 0) {
    zoom_about(l.time_of(e->position().x()), std::pow(0.8, turn.y() / 120.0));
  }
  e->accept();
}

void AnalysisCanvas::mousePressEvent(QMouseEvent* e) {
  const PlotLayout l = layout_for(plot_size());
  if (!snapshot_ || !in_view(l, e->position().x()) || e->position().y() >= l.pitch.bottom()) return;
  drag_from_ = l.time_of(e->position().x());
  drag_zooms_ = e->button() == Qt::RightButton || (e->modifiers() & Qt::ControlModifier);
  if (!drag_zooms_) selection_.reset();
  update();
}

void AnalysisCanvas::mouseMoveEvent(QMouseEvent* e) {
  hover_ = e->position();
  if (drag_from_) {
    const PlotLayout l = layout_for(plot_size());
    const double t = std::clamp(l.time_of(e->position().x()), start_, end_);
    if (std::abs(l.x_of(t) - l.x_of(*drag_from_)) >= 3) set_selection(*drag_from_, t);
  }
  update();
}

void AnalysisCanvas::mouseReleaseEvent(QMouseEvent*) {
  if (drag_from_ && drag_zooms_ && selection_) {
    const auto [a, b] = *selection_;
    selection_.reset();
    set_view(a, b);
  }
  drag_from_.reset();
  update();
}

void AnalysisCanvas::leaveEvent(QEvent*) {
  hover_.reset();
  update();
}

}  // namespace quelvara::windows
