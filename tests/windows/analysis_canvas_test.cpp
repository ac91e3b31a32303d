// The analysis picture, drawn offscreen for a fixture text and read back pixel by pixel: the
// cut, the mark-to-mark lines and the pitch where the snapshot puts them; and the zoom,
// scroll and selection by mouse.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <set>

#include "app_fixture.h"
#include "inspection/record_of_run.h"
#include "road/road.h"
#include "runtime/mat_file.h"
#include "windows/qt/analysis_canvas.h"

namespace quelvara::windows::testing {
namespace {

using inspection::PlotLayout;
constexpr double fs = 22050;

int column(double x) { return static_cast<int>(std::floor(x)); }
int row(double y) { return static_cast<int>(std::lround(y)); }
double at(std::size_t mark) { return (static_cast<double>(mark) - 1) / fs; }

class AnalysisCanvasTest : public AppFolderTest {
 protected:
  static void SetUpTestSuite() { ensure_qt_application(); }

  static std::shared_ptr<const inspection::Snapshot> run(const std::string& texto, const road::Mode& mode) {
    auto result = road::run_road(texto, mode, runtime::read_unit_file, ".");
    EXPECT_EQ(result.analysis.status, synthesis::Analysis::Status::ok);
    return std::make_shared<const inspection::Snapshot>(inspection::snapshot_of(result, mode));
  }

  // The canvas at width x height showing the snapshot of _papa_. in mode, and what it draws.
  struct Shown {
    std::shared_ptr<const inspection::Snapshot> snapshot;
    QImage image;
    PlotLayout layout;
  };
  Shown show(AnalysisCanvas& canvas, const road::Mode& mode, int width = 960, int height = 584) {
    canvas.resize(width, height);
    auto snapshot = run("_papa_.", mode);
    canvas.set_snapshot(snapshot);
    QImage image = draw(canvas);
    return {std::move(snapshot), std::move(image), canvas.layout()};
  }

  QImage draw(AnalysisCanvas& canvas) {
    QImage image(canvas.plot_size(), QImage::Format_RGB32);
    QPainter painter(&image);
    canvas.paint(painter, image.size());
    return image;
  }

  static bool is(const QImage& image, int x, int y, const QColor& colour) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixelColor(x, y) == colour;
  }
};

TEST_F(AnalysisCanvasTest, JoinLinesStandAtTheColumnsOfTheUnitLengths) {
  AnalysisCanvas canvas;
  const auto [snapshot, image, l] = show(canvas, road::FactorMode{1.5});

  std::set<int> expected;
  std::size_t end = 0;
  for (std::size_t k = 0; k + 1 < snapshot->limdf.size(); ++k) {
    end += snapshot->limdf[k];
    expected.insert(column(l.x_of(end / fs)));
  }
  ASSERT_EQ(expected.size(), 4u);
  for (const int y : {row(l.orig.top + 2), row(l.orig.middle()), row(l.diphone_labels.top + 1)}) {
    std::set<int> found;
    for (int x = column(l.orig.left); x < column(l.orig.right()); ++x)
      if (is(image, x, y, CanvasColours::join)) found.insert(x);
    EXPECT_EQ(found, expected) << "row " << y;
  }
}

TEST_F(AnalysisCanvasTest, EachAnalysisMarkIsJoinedToTheSynthesisMarkItMovedTo) {
  AnalysisCanvas canvas;
  const auto [snapshot, image, l] = show(canvas, road::FactorMode{0.7});
  const auto& r = *snapshot->result;
  ASSERT_EQ(r.analysis_marks.size(), r.synthesis_marks.size());
  ASSERT_GT(r.analysis_marks.size(), 10u);
  const int top = row(l.links.top + 1), bottom = row(l.links.bottom() - 2), middle = (top + bottom) / 2;
  for (std::size_t i = 0; i < r.analysis_marks.size(); ++i) {
    const int xa = column(l.x_of(at(r.analysis_marks[i]))), xs = column(l.x_of(at(r.synthesis_marks[i])));
    if (xa >= column(l.orig.right()) || xs >= column(l.orig.right())) continue;  // the mark one past the end
    EXPECT_TRUE(is(image, xa, top, CanvasColours::link)) << "mark " << i;
    EXPECT_TRUE(is(image, xs, bottom, CanvasColours::link)) << "mark " << i;
    // Half-way down, the line is half-way across.
    const double half = xa + (xs - xa) * double(middle - top) / (bottom - top);
    bool crossed = false;
    for (int x = column(half) - 1; x <= column(half) + 1; ++x) crossed = crossed || is(image, x, middle, CanvasColours::link);
    EXPECT_TRUE(crossed) << "mark " << i;
  }
  // The band holds nothing but these lines: a column far from every mark stays empty.
  EXPECT_FALSE(is(image, column(l.orig.right()) - 1, middle, CanvasColours::link));
}

// The row of the centre of a 3 x 3 marker of colour in column x of the pitch panel, if any.
std::optional<int> marker_row(const QImage& image, int x, const PlotLayout& l, const QColor& colour) {
  for (int y = row(l.pitch.top) + 1; y < row(l.pitch.bottom()) - 1; ++y)
    if (image.pixelColor(x - 1, y) == colour && image.pixelColor(x, y - 1) == colour &&
        image.pixelColor(x, y) == colour && image.pixelColor(x, y + 1) == colour && image.pixelColor(x + 1, y) == colour)
      return y;
  return std::nullopt;
}

TEST_F(AnalysisCanvasTest, ThePitchOfFactorOneAndAHalfLiesAtOneAndAHalfTimesTheJoinedSignals) {
  for (const bool semitones : {false, true}) {
    AnalysisCanvas canvas;
    canvas.set_options({SpectrogramView::wideband, true, semitones});
    const auto [snapshot, image, l] = show(canvas, road::FactorMode{1.5}, 1200, 700);
    const auto joined = inspection::joined_pitch(*snapshot);
    const auto result = inspection::result_pitch(*snapshot);
    ASSERT_EQ(joined.size(), result.size());
    ASSERT_GT(joined.size(), 5u);
    std::size_t compared = 0;
    for (std::size_t i = 0; i < joined.size(); ++i) {
      const auto blue = marker_row(image, column(l.x_of(joined[i].time)), l, CanvasColours::orig_pitch);
      const auto green = marker_row(image, column(l.x_of(result[i].time)), l, CanvasColours::sinal_pitch);
      if (!blue || !green) continue;  // a marker covered by the other curve
      EXPECT_NEAR(*green, l.pitch_y(1.5 * l.pitch_hz(*blue)), 1.0) << "period " << i << " semitones " << semitones;
      ++compared;
    }
    EXPECT_GE(compared, joined.size() * 3 / 4);
  }
}

// The spectrogram panels darken where the signal sounds and not in its silences; formant dots
// lie over them; without a spectrogram the panels go and nothing is drawn there.
TEST_F(AnalysisCanvasTest, SpectrogramsAndFormantsAreDrawnAsTheOptionsAsk) {
  AnalysisCanvas canvas;
  const auto [snapshot, image, l] = show(canvas, road::ContourMode{});
  ASSERT_GT(l.orig_spectrum.height, 20);
  const auto dark_in = [&](const QImage& picture, double from, double to, const inspection::Box& panel) {
    int dark = 0;
    for (int x = column(l.x_of(from)); x < column(l.x_of(to)); ++x)
      for (int y = row(panel.top + 1); y < row(panel.bottom() - 1); ++y) dark += qGray(picture.pixel(x, y)) < 128;
    return dark;
  };
  const auto voiced = inspection::voiced_stretches(*snapshot);
  ASSERT_FALSE(voiced.empty());
  const double a = voiced[0].begin / fs + 0.01, b = voiced[0].end / fs - 0.01;
  EXPECT_GT(dark_in(image, a, b, l.orig_spectrum), 50);
  EXPECT_GT(dark_in(image, a, b, l.sinal_spectrum), 0);
  EXPECT_EQ(dark_in(image, 0, 0.005, l.orig_spectrum), 0);  // the fixture's units open with silence
  int red = 0;
  for (int x = column(l.orig.left); x < column(l.orig.right()); ++x)
    for (int y = row(l.orig_spectrum.top); y < row(l.orig_spectrum.bottom()); ++y)
      red += is(image, x, y, CanvasColours::formant);
  EXPECT_GT(red, 10);

  canvas.set_options({SpectrogramView::none, true, false});
  const QImage plain = draw(canvas);
  EXPECT_EQ(canvas.layout().orig_spectrum.height, 0);
  EXPECT_GT(canvas.layout().orig.height, l.orig.height);
  for (int x = column(l.orig.left); x < column(l.orig.right()); ++x)
    for (int y = row(l.orig_spectrum.top); y < row(l.orig_spectrum.bottom()); ++y)
      ASSERT_FALSE(is(plain, x, y, CanvasColours::formant)) << x << "," << y;
}

// Everything the mouse does to the view, the keyboard does too.
TEST_F(AnalysisCanvasTest, TheKeyboardMovesZoomsSelectsAndShowsEverything) {
  AnalysisCanvas canvas;
  show(canvas, road::ContourMode{});
  const double whole = canvas.duration();
  QTest::keyClick(&canvas, Qt::Key_Plus);
  EXPECT_NEAR(canvas.view_end() - canvas.view_start(), 0.8 * whole, 1e-9);
  const double start = canvas.view_start();
  QTest::keyClick(&canvas, Qt::Key_Right);
  EXPECT_GT(canvas.view_start(), start);
  QTest::keyClick(&canvas, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(&canvas, Qt::Key_Right, Qt::ShiftModifier);
  ASSERT_TRUE(canvas.selection());
  const auto [from, to] = *canvas.selection();
  EXPECT_NEAR(to - from, 2 * 0.08 * whole, 1e-9);
  QTest::keyClick(&canvas, Qt::Key_Return);
  EXPECT_NEAR(canvas.view_start(), from, 1e-9);
  EXPECT_NEAR(canvas.view_end(), to, 1e-9);
  QTest::keyClick(&canvas, Qt::Key_Minus);
  EXPECT_NEAR(canvas.view_end() - canvas.view_start(), 1.25 * (to - from), 1e-9);
  QTest::keyClick(&canvas, Qt::Key_Home);
  EXPECT_DOUBLE_EQ(canvas.view_start(), 0);
  EXPECT_DOUBLE_EQ(canvas.view_end(), whole);
}

// While editing, the mouse and the keyboard ask for edits of the points and phones shown; the
// canvas only hands them over.
TEST_F(AnalysisCanvasTest, EditsByMouseAndKeyboardAreHandedOverAsAsked) {
  AnalysisCanvas canvas;
  show(canvas, road::ContourMode{}, 1200, 700);
  std::vector<ProsodyEdit> asked;
  const EditableProsody prosody{{{0.1, 130}, {0.2, 150}}, {{0, 0.05, "_"}, {0.05, 0.15, "p"}, {0.15, 0.3, "a"}}};
  canvas.set_editing(prosody, [&](const ProsodyEdit& e) { asked.push_back(e); });
  const PlotLayout l = canvas.layout();
  const auto point = [&](double t, double hz) { return QPoint(static_cast<int>(std::lround(l.x_of(t))), row(l.pitch_y(hz))); };
  const auto drag = [&](QPoint from, QPoint to) {
    QTest::mousePress(&canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(&canvas, to);
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, to);
  };
  drag(point(0.1, 130), point(0.1, 200));
  QTest::mouseClick(&canvas, Qt::LeftButton, {}, point(0.25, 170));
  QTest::mouseDClick(&canvas, Qt::LeftButton, {}, point(0.2, 150));
  const int strip = row(l.result_phones.middle());
  drag(QPoint(static_cast<int>(std::lround(l.x_of(0.15))), strip), QPoint(static_cast<int>(std::lround(l.x_of(0.18))), strip));
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[0].kind, ProsodyEdit::Kind::move_point);
  EXPECT_EQ(asked[0].index, 0u);
  EXPECT_NEAR(asked[0].hz, 200, 2);
  EXPECT_EQ(asked[1].kind, ProsodyEdit::Kind::add_point);
  EXPECT_NEAR(asked[1].seconds, 0.25, 0.002);
  EXPECT_NEAR(asked[1].hz, 170, 2);
  EXPECT_EQ(asked[2].kind, ProsodyEdit::Kind::remove_point);
  EXPECT_EQ(asked[2].index, 1u);
  EXPECT_EQ(asked[3].kind, ProsodyEdit::Kind::move_phone_end);
  EXPECT_EQ(asked[3].index, 1u);
  EXPECT_NEAR(asked[3].seconds, 0.18, 0.002);

  asked.clear();
  QTest::keyClick(&canvas, Qt::Key_PageDown);
  QTest::keyClick(&canvas, Qt::Key_Up);
  QTest::keyClick(&canvas, Qt::Key_Delete);
  QTest::keyClick(&canvas, Qt::Key_Insert);
  QTest::keyClick(&canvas, Qt::Key_PageDown, Qt::AltModifier);
  QTest::keyClick(&canvas, Qt::Key_Right, Qt::AltModifier);
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_NEAR(asked[0].hz, 130 * std::exp2(1 / 12.0), 1e-9);
  EXPECT_EQ(asked[1].kind, ProsodyEdit::Kind::remove_point);
  EXPECT_EQ(asked[2].kind, ProsodyEdit::Kind::add_point);
  EXPECT_NEAR(asked[2].seconds, (canvas.view_start() + canvas.view_end()) / 2, 1e-9);
  EXPECT_EQ(asked[3].kind, ProsodyEdit::Kind::move_phone_end);
  EXPECT_EQ(asked[3].index, 2u);  // the phone after the one last dragged
  EXPECT_NEAR(asked[3].seconds, 0.305, 1e-9);

  // Not editing, the same gestures select and scroll as ever.
  canvas.set_editing(std::nullopt, {});
  asked.clear();
  drag(point(0.1, 130), point(0.3, 200));
  QTest::keyClick(&canvas, Qt::Key_Delete);
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(canvas.selection());
}

// A selection says where it starts and ends and how long it is; a diphone too narrow for its
// label is still named by the pointer's status.
TEST_F(AnalysisCanvasTest, TheSelectionShowsItsTimesAndHiddenDiphonesAreNamedUnderThePointer) {
  AnalysisCanvas canvas;
  show(canvas, road::ContourMode{}, 300, 584);
  EXPECT_TRUE(canvas.selection_summary().isEmpty());
  canvas.set_selection(0.125, 0.05);
  EXPECT_EQ(canvas.selection_summary().toStdString(), "selecção: 0,050 – 0,125 s (0,075 s)");
  const PlotLayout l = canvas.layout();
  const auto snapshot = canvas.snapshot();
  const double t = (snapshot->limdf[0] + snapshot->limdf[1] / 2.0) / fs;
  EXPECT_TRUE(canvas.describe(QPointF(l.x_of(t) + 0.5, l.diphone_labels.middle())).contains("difone pa"));
}

TEST_F(AnalysisCanvasTest, TheWheelZoomsAboutThePointerADragSelectsAndTheScrollBarMoves) {
  AnalysisCanvas canvas;
  canvas.resize(960, 584);
  canvas.set_snapshot(run("_papa_.", road::ContourMode{}));
  canvas.show();
  const double whole = canvas.duration();
  EXPECT_DOUBLE_EQ(canvas.view_end(), whole);
  PlotLayout l = canvas.layout();
  const QPointF pointer(l.x_of(whole / 3), l.orig.middle());
  QWheelEvent turn(pointer, canvas.mapToGlobal(pointer), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(&canvas, &turn);
  EXPECT_NEAR(canvas.view_end() - canvas.view_start(), whole * 0.64, 1e-9);
  EXPECT_NEAR(canvas.layout().time_of(pointer.x()), whole / 3, 1e-9);  // the time under the pointer stays

  // A drag selects; the selection is what lies between the press and the release.
  l = canvas.layout();
  const int y = row(l.sinal.middle());
  QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(200, y));
  QTest::mouseMove(&canvas, QPoint(400, y));
  QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(400, y));
  ASSERT_TRUE(canvas.selection());
  EXPECT_NEAR(canvas.selection()->first, l.time_of(200), 1e-9);
  EXPECT_NEAR(canvas.selection()->second, l.time_of(400), 1e-9);

  // The scroll bar moves the view without changing its span.
  const double span = canvas.view_end() - canvas.view_start();
  auto* bar = canvas.findChild<QScrollBar*>();
  ASSERT_NE(bar, nullptr);
  bar->setValue(bar->minimum());
  EXPECT_DOUBLE_EQ(canvas.view_start(), 0);
  EXPECT_NEAR(canvas.view_end(), span, 1e-3);

  // A drag with the right button shows just that stretch; showing everything clears the rest.
  l = canvas.layout();
  QTest::mousePress(&canvas, Qt::RightButton, {}, QPoint(300, y));
  QTest::mouseMove(&canvas, QPoint(500, y));
  QTest::mouseRelease(&canvas, Qt::RightButton, {}, QPoint(500, y));
  EXPECT_NEAR(canvas.view_start(), l.time_of(300), 1e-9);
  EXPECT_NEAR(canvas.view_end(), l.time_of(500), 1e-9);
  canvas.show_everything();
  EXPECT_DOUBLE_EQ(canvas.view_start(), 0);
  EXPECT_DOUBLE_EQ(canvas.view_end(), whole);
  EXPECT_FALSE(canvas.selection());
}

TEST_F(AnalysisCanvasTest, TheStatusTellsTimeValueAndDiphoneUnderThePointer) {
  AnalysisCanvas canvas;
  canvas.resize(960, 584);
  const auto snapshot = run("_papa_.", road::FactorMode{1.0});
  canvas.set_snapshot(snapshot);
  const PlotLayout l = canvas.layout();
  // The middle of the second unit, in the joined signal.
  const double t = (snapshot->limdf[0] + snapshot->limdf[1] / 2.0) / fs;
  const QString text = canvas.describe(QPointF(l.x_of(t) + 0.5, l.orig.middle()));
  EXPECT_TRUE(text.contains("difone pa")) << text.toStdString();
  EXPECT_TRUE(text.contains("original")) << text.toStdString();
  const auto sample = static_cast<std::size_t>(std::floor(l.time_of(l.x_of(t) + 0.5) * fs));
  EXPECT_TRUE(text.contains(QString::number(snapshot->orig[sample], 'f', 4).replace('.', ','))) << text.toStdString();
  EXPECT_TRUE(canvas.describe(QPointF(2, l.orig.middle())).isEmpty());  // left of the plots
}

}  // namespace
}  // namespace quelvara::windows::testing
