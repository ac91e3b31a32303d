// The analysis window over a long session, in one process on real Qt widgets (offscreen): on
// a sentence of some 10 s in Natural, the window is opened and closed 200 times, then a pitch
// point is dragged 1,000 times with the mouse, each drag running the sentence again and
// redrawing the picture. The resident memory and the heap in use are read before and after,
// the heap also once the toolkit's pixmap cache (bounded, 10 MB by default) is emptied; each
// edit's time from the mouse release to the new picture is measured. Prints the figures; a
// sanitizer build also reports any leak or fault at the end.
//
// Usage: soak_analysis [FOLDER [ROUNDS [EDITS]]]   FOLDER holds the layouts and the database
// (build/app); 200 rounds of opening and closing and 1,000 edits unless told.
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QPixmapCache>
#include <malloc.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/qt/qt_view.h"
#include "runtime/function_registry.h"
#include "windows/install.h"
#include "inspection/plot_layout.h"
#include "windows/qt/analysis_canvas.h"
#include "windows/qt/analysis_view.h"

using namespace quelvara;

namespace {

double resident_mb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

graphics::Handle tagged(graphics::Handle figure, const std::string& tag) {
  for (graphics::Handle h : graphics::findall(figure))
    if (graphics::get_text(h, "Tag") == tag) return h;
  throw std::runtime_error("no object tagged " + tag);
}

std::optional<graphics::Handle> figure(const std::string& tag) {
  for (graphics::Handle f : graphics::figures())
    if (graphics::get_text(f, "Tag") == tag) return f;
  return std::nullopt;
}

// Allocated and not freed: small blocks in the arenas and large ones mapped on their own.
double heap_mb() {
  const auto m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd) / (1 << 20);
}

void settle() {
  graphics::drawnow();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void open_and_close_analysis() {
  runtime::call_by_name("analise", 0, {});
  settle();
  graphics::close(*figure("analise"));
  settle();
}

void send_mouse(QWidget* widget, QEvent::Type type, QPointF at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

// Drags point to hz with the mouse; gives the milliseconds from the release to the new picture.
double drag_point(windows::AnalysisCanvas& canvas, std::size_t point, double hz) {
  const inspection::PlotLayout l = canvas.layout();
  const auto& q = canvas.edited_prosody()->points.at(point);
  const QPointF from(l.x_of(q.time), l.pitch_y(q.hz)), to(from.x(), l.pitch_y(hz));
  send_mouse(&canvas, QEvent::MouseButtonPress, from);
  send_mouse(&canvas, QEvent::MouseMove, to);
  const auto start = std::chrono::steady_clock::now();
  send_mouse(&canvas, QEvent::MouseButtonRelease, to);
  const QPixmap picture = canvas.grab();
  const auto end = std::chrono::steady_clock::now();
  if (picture.isNull()) throw std::runtime_error("no picture after an edit");
  return std::chrono::duration<double, std::milli>(end - start).count();
}

// Drags the points of the prosody shown, one after another, a few semitones up and back.
std::vector<double> edit_points(windows::AnalysisCanvas& canvas, int edits) {
  std::vector<double> ms;
  for (int k = 0; k < edits; ++k) {
    const std::size_t n = canvas.edited_prosody()->points.size();
    const std::size_t point = static_cast<std::size_t>(k / 2) % n;
    const double hz = canvas.edited_prosody()->points[point].hz * (k % 2 == 0 ? 1.2 : 1 / 1.2);
    ms.push_back(drag_point(canvas, point, hz));
  }
  return ms;
}

double quantile(std::vector<double> x, double q) {
  std::sort(x.begin(), x.end());
  return x[static_cast<std::size_t>(std::lround(q * static_cast<double>(x.size() - 1)))];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::filesystem::path folder = argc > 1 ? argv[1] : QUELVARA_APP_DIR;
  std::filesystem::current_path(folder);
  QApplication app(argc, argv);
  windows::install_windows();
  graphics::start_qt_view();
  windows::install_analysis_view();
  int errors = 0;
  graphics::set_callback_error_handler([&](const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    ++errors;
  });

  const graphics::Handle main = runtime::call_by_name("interface", 1, {}).at(0).number();
  std::string texto = "_";
  for (int k = 0; k < 5; ++k) texto += "6\"fraz6kOm\"prid6pur6tES\"tar";
  texto += "_.";
  graphics::set(tagged(main, "texto"), "String", runtime::Value(texto));
  graphics::fire_callback_from_event(tagged(main, "texto"), "Callback");
  graphics::set(tagged(main, "tipo_variacao"), "Value", runtime::Value(3.0));  // Natural
  graphics::fire_callback_from_event(tagged(main, "tipo_variacao"), "Callback");
  const auto open_for_editing = [&] {
    runtime::call_by_name("analise", 0, {});
    settle();
    const graphics::Handle analise = *figure("analise");
    graphics::set(tagged(analise, "editar"), "Value", runtime::Value(1.0));
    graphics::fire_callback_from_event(tagged(analise, "editar"), "Callback");
    settle();
    auto* canvas = windows::analysis_canvas_of(tagged(analise, "grafico"));
    if (!canvas || !canvas->edited_prosody() || canvas->edited_prosody()->points.empty())
      throw std::runtime_error("the analysis window shows no prosody to edit");
    return canvas;
  };
  // The toolkit's and the allocator's pools filled once.
  for (int k = 0; k < 20; ++k) open_and_close_analysis();
  edit_points(*open_for_editing(), 20);
  graphics::close(*figure("analise"));
  settle();

  QPixmapCache::clear();
  const double before = resident_mb(), heap_before = heap_mb();
  auto start = std::chrono::steady_clock::now();
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 200;
  for (int k = 0; k < rounds; ++k) open_and_close_analysis();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double after_rounds = resident_mb();

  const int edits = argc > 3 ? std::atoi(argv[3]) : 1000;
  windows::AnalysisCanvas* canvas = open_for_editing();
  const double sentence_s =
      static_cast<double>(canvas->snapshot()->result->sinal.size()) / inspection::sample_rate;
  const std::vector<double> ms = edit_points(*canvas, edits);
  graphics::close(*figure("analise"));
  settle();
  const double after = resident_mb(), heap_after = heap_mb();
  QPixmapCache::clear();
  std::printf("open and close the analysis window %d times on a %.1f s sentence: %.1f ms each, resident %+.1f MB\n",
              rounds, sentence_s, seconds / rounds * 1000, after_rounds - before);
  std::printf("%d pitch points dragged, from the mouse release to the new picture: median %.1f ms, "
              "90th percentile %.1f ms, longest %.1f ms\n",
              edits, quantile(ms, 0.5), quantile(ms, 0.9), quantile(ms, 1));
  std::printf("all of it: resident %.1f MB -> %.1f MB (%+.1f MB), heap in use %+.1f MB, %+.1f MB without the "
              "pixmap cache\n",
              before, after, after - before, heap_after - heap_before, heap_mb() - heap_before);

  graphics::reset_tree();
  graphics::stop_qt_view();
  return errors == 0 ? 0 : 1;
}
