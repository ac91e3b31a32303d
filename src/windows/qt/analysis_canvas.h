#pragma once
// The picture of the analysis window: the joined signal with its diphone cut, voicing and pitch
// marks, and its spectrogram; below it the resynthesised signal with its marks and spectrogram,
// joined to the first by a line from each analysis mark to the synthesis mark its period moved
// to; and the pitch of both against time, with a legend. Formant tracks may be drawn over the
// spectrograms. The wheel zooms about the pointer, a drag selects a stretch (a drag with the
// right button, or with Ctrl, zooms to it), the scroll bar and a sideways wheel move along, and
// the status line tells the time, the sample value, the frequency and the diphone under the
// pointer, and the selection's start, end and length.
#include <QColor>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "inspection/formants.h"
#include "inspection/plot_layout.h"
#include "inspection/snapshot.h"
#include "inspection/spectrogram.h"
#include "windows/analysis_display.h"

class QScrollBar;

namespace quelvara::windows {

struct CanvasColours {
  static inline const QColor background{255, 255, 255};
  static inline const QColor voiced{255, 240, 190};
  static inline const QColor orig{31, 78, 154};
  static inline const QColor sinal{30, 120, 50};
  static inline const QColor join{214, 0, 28};
  static inline const QColor mark{230, 120, 0};
  static inline const QColor link{120, 140, 200};
  static inline const QColor orig_pitch{31, 78, 154};
  static inline const QColor sinal_pitch{0, 160, 60};
  static inline const QColor contour{200, 0, 200};
  static inline const QColor selection{70, 130, 230, 60};
  static inline const QColor formant{220, 30, 30};
};

class AnalysisCanvas final : public QWidget {
 public:
  explicit AnalysisCanvas(QWidget* parent = nullptr);

  // nullptr shows an empty picture with a hint. A snapshot of the same duration keeps the
  // zoom; another shows everything.
  void set_snapshot(std::shared_ptr<const inspection::Snapshot> snapshot);
  const inspection::Snapshot* snapshot() const { return snapshot_.get(); }

  // Editing: the prosody's points and phones drawn over the pitch panel and the result's phone
  // strip, and what the user does to them handed to handler. nullopt ends editing.
  void set_editing(std::optional<EditableProsody> prosody, ProsodyEditHandler handler);
  bool editing() const { return editing_.has_value(); }
  const std::optional<EditableProsody>& edited_prosody() const { return editing_; }
  // Hands an edit to the handler, when editing.
  void request(const ProsodyEdit& edit) const;

  // Spectrograms and formants are worked out again only when their choice changes.
  void set_options(const ViewOptions& options);
  const ViewOptions& options() const { return options_; }

  void show_everything();
  void set_view(double start, double end);  // seconds, kept within the signals
  double view_start() const { return start_; }
  double view_end() const { return end_; }
  // The whole duration shown by show_everything: the longer of the two signals.
  double duration() const;

  std::optional<std::pair<double, double>> selection() const;
  void set_selection(double start, double end);

  // The layout for a picture of size, at the current view; layout() is the widget's own.
  inspection::PlotLayout layout_for(QSize size) const;
  inspection::PlotLayout layout() const;
  // The picture's size: the widget without its scroll bar.
  QSize plot_size() const;
  // Draws the picture of size into painter (also into an image, for tests and measurement).
  void paint(QPainter& painter, QSize size) const;
  // What the status line shows for the pointer at x, y of the widget.
  QString describe(QPointF at) const;
  // The selection's start, end and length as the status line shows them; "" without one.
  QString selection_summary() const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  // The keyboard does what the mouse does: arrows move along, + and - zoom, Home shows
  // everything, Shift with the arrows selects, Enter shows just the selection. While editing,
  // Page Up and Page Down choose a pitch point, Up and Down move it by a semitone, Delete
  // removes it and Insert adds one in the middle of the view; with Alt, Page Up and Page Down
  // choose a phone and Left and Right move its end by 5 ms.
  void keyPressEvent(QKeyEvent*) override;

 private:
  void update_scroll_bar();
  bool edit_key(QKeyEvent* e);
  std::optional<std::size_t> point_near(QPointF at, const inspection::PlotLayout& l) const;
  std::optional<std::size_t> phone_end_near(QPointF at, const inspection::PlotLayout& l) const;
  void zoom_about(double time, double factor);

  std::shared_ptr<const inspection::Snapshot> snapshot_;
  // What the picture shows of the snapshot whatever the view, worked out once per snapshot.
  struct Derived {
    std::vector<inspection::Stretch> voiced;
    std::vector<inspection::PitchPoint> joined_pitch, result_pitch, contour;
  };
  Derived derived_;
  // A signal's spectrogram and formant tracks, as the options ask for them.
  struct Spectra {
    inspection::Spectrogram spectrogram;
    std::vector<inspection::FormantFrame> formants;
  };
  Spectra analyse(const std::vector<double>& x) const;
  Spectra orig_spectra_, result_spectra_;
  ViewOptions options_;
  double start_ = 0, end_ = 1;
  double hz_top_ = 400;
  std::optional<std::pair<double, double>> selection_;
  std::optional<double> drag_from_;  // seconds where a drag began
  bool drag_zooms_ = false;
  std::optional<QPointF> hover_;
  std::optional<EditableProsody> editing_;
  ProsodyEditHandler on_edit_;
  // A drag of a point or of a phone's end, or a click that adds a point, while editing.
  struct EditDrag {
    enum class What { point, phone_end, new_point } what;
    std::size_t index = 0;
    QPointF from, at;
  };
  std::optional<EditDrag> edit_drag_;
  std::optional<std::size_t> chosen_point_, chosen_phone_;  // for the keyboard
  QScrollBar* scroll_ = nullptr;
  bool scrolling_ = false;
};

}  // namespace quelvara::windows
