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

// A label between start and end (seconds) in a strip, cut to the part in view.
void draw_interval_label(QPainter& p, const PlotLayout& l, const Box& strip, double start, double end,
                         const std::string& label) {
  const double a = std::max(l.x_of(start), l.orig.left), b = std::min(l.x_of(end), l.orig.right());
  if (b > a) draw_label(p, (a + b) / 2, strip, QString::fromStdString(label), b - a);
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
  for (const auto& d : inspection::diphone_intervals(s)) draw_interval_label(p, l, l.diphone_labels, d.start, d.end, d.label);
  p.setPen(QColor(90, 90, 90));
  for (const auto& f : inspection::phone_intervals(s)) draw_interval_label(p, l, l.phone_labels, f.start, f.end, f.label);
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

// The prosody being edited: its F0 points joined as the curve they make, over the pitch panel,
// and the result's phones in their strip, each end a handle; a point or end being dragged is
// drawn where the pointer holds it, and the one the keyboard chose is ringed.
struct EditView {
  const EditableProsody& prosody;
  std::optional<std::pair<std::size_t, double>> dragged_point;  // index, Hz
  std::optional<std::pair<std::size_t, double>> dragged_end;    // phone, seconds
  std::optional<std::size_t> chosen_point, chosen_phone;
};

void draw_editable(QPainter& p, const PlotLayout& l, const EditView& e) {
  p.save();
  p.setClipRect(QRectF(l.orig.left, 0, l.orig.width, l.time_axis.top));
  // The phones: labels between the ends, the ends as handles.
  const Box& strip = l.result_phones;
  p.setPen(QColor(90, 90, 90));
  for (std::size_t k = 0; k < e.prosody.phones.size(); ++k) {
    const auto& phone = e.prosody.phones[k];
    const double end = e.dragged_end && e.dragged_end->first == k ? e.dragged_end->second : phone.end;
    draw_interval_label(p, l, strip, phone.start, end, phone.label);
  }
  for (std::size_t k = 0; k < e.prosody.phones.size(); ++k) {
    const bool dragged = e.dragged_end && e.dragged_end->first == k;
    const double x = l.x_of(dragged ? e.dragged_end->second : e.prosody.phones[k].end);
    if (!in_view(l, x)) continue;
    p.setPen(dragged || e.chosen_phone == k ? Qt::black : CanvasColours::contour);
    p.drawLine(column(x), row(strip.top), column(x), row(strip.bottom() - 1));
    QPen faint(QColor(200, 150, 200));
    faint.setStyle(Qt::DotLine);
    p.setPen(faint);
    p.drawLine(column(x), row(l.pitch.top), column(x), row(l.pitch.bottom() - 1));
  }
  // The F0 curve the target asks for.
  std::vector<QPointF> at;
  for (std::size_t i = 0; i < e.prosody.points.size(); ++i) {
    const auto& q = e.prosody.points[i];
    const double hz = e.dragged_point && e.dragged_point->first == i ? e.dragged_point->second : q.hz;
    at.emplace_back(l.x_of(q.time), std::clamp(l.pitch_y(hz), l.pitch.top, l.pitch.bottom() - 1));
  }
  p.setPen(QPen(CanvasColours::contour, 1.5));
  for (std::size_t i = 0; i + 1 < at.size(); ++i) p.drawLine(at[i], at[i + 1]);
  for (std::size_t i = 0; i < at.size(); ++i) {
    p.fillRect(QRectF(at[i].x() - 3.5, at[i].y() - 3.5, 7, 7), CanvasColours::contour);
    if (e.chosen_point == i || (e.dragged_point && e.dragged_point->first == i)) {
      p.setPen(Qt::black);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(at[i].x() - 5.5, at[i].y() - 5.5, 11, 11));
    }
  }
  p.restore();
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

void AnalysisCanvas::set_editing(std::optional<EditableProsody> prosody, ProsodyEditHandler handler) {
  editing_ = std::move(prosody);
  on_edit_ = std::move(handler);
  edit_drag_.reset();
  const auto keep = [](std::optional<std::size_t>& chosen, std::size_t count) {
    if (chosen && *chosen >= count) chosen = count > 0 ? std::optional(count - 1) : std::nullopt;
  };
  keep(chosen_point_, editing_ ? editing_->points.size() : 0);
  keep(chosen_phone_, editing_ ? editing_->phones.size() : 0);
  update();
}

void AnalysisCanvas::request(const ProsodyEdit& edit) const {
  if (!editing_ || !on_edit_) return;
  // The handler may hand the canvas new prosody, and a new handler with it, while it runs.
  const ProsodyEditHandler handler = on_edit_;
  handler(edit);
}

std::optional<std::size_t> AnalysisCanvas::point_near(QPointF at, const PlotLayout& l) const {
  if (!editing_) return std::nullopt;
  std::optional<std::size_t> best;
  double nearest = 7;  // pixels
  for (std::size_t i = 0; i < editing_->points.size(); ++i) {
    const auto& q = editing_->points[i];
    const double d = std::hypot(l.x_of(q.time) - at.x(), l.pitch_y(q.hz) - at.y());
    if (d <= nearest) nearest = d, best = i;
  }
  return best;
}

std::optional<std::size_t> AnalysisCanvas::phone_end_near(QPointF at, const PlotLayout& l) const {
  if (!editing_) return std::nullopt;
  std::optional<std::size_t> best;
  double nearest = 4;  // pixels
  for (std::size_t k = 0; k < editing_->phones.size(); ++k) {
    const double d = std::abs(l.x_of(editing_->phones[k].end) - at.x());
    if (d <= nearest) nearest = d, best = k;
  }
  return best;
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
  if (editing_) {
    EditView view{*editing_, {}, {}, chosen_point_, chosen_phone_};
    if (edit_drag_ && edit_drag_->what == EditDrag::What::point)
      view.dragged_point = std::pair{edit_drag_->index, l.pitch_hz(edit_drag_->at.y())};
    if (edit_drag_ && edit_drag_->what == EditDrag::What::phone_end)
      view.dragged_end = std::pair{edit_drag_->index, l.time_of(edit_drag_->at.x())};
    draw_editable(p, l, view);
    legend.push_back({CanvasColours::contour, LegendEntry::Shape::square, QStringLiteral("F0 pedida (arraste)")});
  }
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

bool AnalysisCanvas::edit_key(QKeyEvent* e) {
  if (!editing_) return false;
  const bool alt = e->modifiers() & Qt::AltModifier;
  const auto step = [](std::optional<std::size_t>& chosen, std::size_t count, bool forward) {
    if (count == 0) return;
    if (!chosen) chosen = forward ? 0 : count - 1;
    else if (forward) chosen = std::min(*chosen + 1, count - 1);
    else chosen = *chosen > 0 ? *chosen - 1 : 0;
  };
  const auto& points = editing_->points;
  const auto& phones = editing_->phones;
  switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (alt) step(chosen_phone_, phones.size(), e->key() == Qt::Key_PageDown);
      else step(chosen_point_, points.size(), e->key() == Qt::Key_PageDown);
      update();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!chosen_point_ || *chosen_point_ >= points.size()) return false;
      request({ProsodyEdit::Kind::move_point, *chosen_point_, 0,
               points[*chosen_point_].hz * std::exp2((e->key() == Qt::Key_Up ? 1 : -1) / 12.0)});
      return true;
    case Qt::Key_Delete:
      if (!chosen_point_ || *chosen_point_ >= points.size()) return false;
      request({ProsodyEdit::Kind::remove_point, *chosen_point_, 0, 0});
      return true;
    case Qt::Key_Insert: {
      // In the middle of the view, on the curve the points make there.
      const double t = (start_ + end_) / 2;
      double hz = 130;
      const auto after = std::find_if(points.begin(), points.end(), [&](const auto& q) { return q.time >= t; });
      if (after != points.end()) hz = after->hz;
      else if (!points.empty()) hz = points.back().hz;
      request({ProsodyEdit::Kind::add_point, 0, t, hz});
      return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (!alt || !chosen_phone_ || *chosen_phone_ >= phones.size()) return false;
      request({ProsodyEdit::Kind::move_phone_end, *chosen_phone_,
               phones[*chosen_phone_].end + (e->key() == Qt::Key_Left ? -0.005 : 0.005), 0});
      return true;
    default:
      return false;
  }
}

void AnalysisCanvas::keyPressEvent(QKeyEvent* e) {
  if (edit_key(e)) return e->accept();
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
  // While editing, the left button takes a point or a phone's end, or adds a point.
  const QPointF at = e->position();
  if (editing_ && e->button() == Qt::LeftButton && !(e->modifiers() & Qt::ControlModifier)) {
    const bool in_pitch = at.y() >= l.pitch.top;
    const bool by_phones = at.y() >= l.sinal.top && at.y() < l.result_phones.bottom();
    if (const auto i = in_pitch ? point_near(at, l) : std::nullopt) {
      edit_drag_ = EditDrag{EditDrag::What::point, *i, at, at};
      chosen_point_ = i;
    } else if (const auto k = by_phones ? phone_end_near(at, l) : std::nullopt) {
      edit_drag_ = EditDrag{EditDrag::What::phone_end, *k, at, at};
      chosen_phone_ = k;
    } else if (in_pitch) {
      edit_drag_ = EditDrag{EditDrag::What::new_point, 0, at, at};
    }
    if (edit_drag_) {
      update();
      return;
    }
  }
  drag_from_ = l.time_of(e->position().x());
  drag_zooms_ = e->button() == Qt::RightButton || (e->modifiers() & Qt::ControlModifier);
  if (!drag_zooms_) selection_.reset();
  update();
}

void AnalysisCanvas::mouseMoveEvent(QMouseEvent* e) {
  hover_ = e->position();
  if (edit_drag_) {
    edit_drag_->at = e->position();
  } else if (drag_from_) {
    const PlotLayout l = layout_for(plot_size());
    const double t = std::clamp(l.time_of(e->position().x()), start_, end_);
    if (std::abs(l.x_of(t) - l.x_of(*drag_from_)) >= 3) set_selection(*drag_from_, t);
  }
  update();
}

void AnalysisCanvas::mouseReleaseEvent(QMouseEvent* e) {
  if (edit_drag_) {
    const EditDrag drag = *edit_drag_;
    edit_drag_.reset();
    const PlotLayout l = layout_for(plot_size());
    const QPointF at = e->position();
    const bool moved = std::abs(at.x() - drag.from.x()) + std::abs(at.y() - drag.from.y()) >= 2;
    switch (drag.what) {
      case EditDrag::What::point:
        if (moved) request({ProsodyEdit::Kind::move_point, drag.index, 0, l.pitch_hz(at.y())});
        break;
      case EditDrag::What::phone_end:
        if (moved) request({ProsodyEdit::Kind::move_phone_end, drag.index, l.time_of(at.x()), 0});
        break;
      case EditDrag::What::new_point:
        if (!moved) request({ProsodyEdit::Kind::add_point, 0, l.time_of(at.x()), l.pitch_hz(at.y())});
        break;
    }
    update();
    return;
  }
  if (drag_from_ && drag_zooms_ && selection_) {
    const auto [a, b] = *selection_;
    selection_.reset();
    set_view(a, b);
  }
  drag_from_.reset();
  update();
}

// A double click on a point removes it. Its first click, on the point, changed nothing.
void AnalysisCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
  const PlotLayout l = layout_for(plot_size());
  if (!editing_ || e->button() != Qt::LeftButton || e->position().y() < l.pitch.top) return QWidget::mouseDoubleClickEvent(e);
  if (const auto i = point_near(e->position(), l)) {
    request({ProsodyEdit::Kind::remove_point, *i, 0, 0});
    chosen_point_.reset();
  }
  edit_drag_.reset();
  e->accept();
}

void AnalysisCanvas::leaveEvent(QEvent*) {
  hover_.reset();
  update();
}

}  // namespace quelvara::windows
