// The analysis window over a long session, in one process on real Qt widgets (offscreen): it
// is opened and closed 200 times on a sentence, and the resident memory and the heap in use
// are read before and after, the heap also once the toolkit's pixmap cache (bounded, 10 MB by
// default) is emptied. Prints the growth; a sanitizer build also reports any leak or fault at
// the end.
//
// Usage: soak_analysis [FOLDER]   FOLDER holds the layouts and the database (build/app)
#include <QApplication>
#include <QPixmapCache>
#include <malloc.h>
#include <chrono>
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

double heap_mb() { return static_cast<double>(mallinfo2().uordblks) / (1 << 20); }

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
  graphics::set(tagged(main, "texto"), "String", runtime::Value("_6fraz6kOmprid6pur6tEStar_."));
  graphics::fire_callback_from_event(tagged(main, "texto"), "Callback");
  graphics::set(tagged(main, "tipo_variacao"), "Value", runtime::Value(2.0));  // Gráfica
  graphics::fire_callback_from_event(tagged(main, "tipo_variacao"), "Callback");
  for (int k = 0; k < 20; ++k) open_and_close_analysis();  // the toolkit's and the allocator's pools filled once

  QPixmapCache::clear();
  const double before = resident_mb(), heap_before = heap_mb();
  const auto start = std::chrono::steady_clock::now();
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 200;
  for (int k = 0; k < rounds; ++k) open_and_close_analysis();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double after = resident_mb(), heap_after = heap_mb();
  QPixmapCache::clear();
  std::printf("open and close the analysis window %d times: %.1f ms each, resident %.1f MB -> %.1f MB (%+.1f MB), "
              "heap in use %+.1f MB, %+.1f MB without the pixmap cache\n",
              rounds, seconds / rounds * 1000, before, after, after - before, heap_after - heap_before,
              heap_mb() - heap_before);

  graphics::reset_tree();
  graphics::stop_qt_view();
  return errors == 0 ? 0 : 1;
}
