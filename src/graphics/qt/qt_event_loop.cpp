#include "graphics/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace quelvara::graphics {

bool QtEventLoop::run_until(const std::function<bool()>& done) {
  while (!done()) {
    QEventLoop loop;
    waits_.push_back({&loop, &done});
    loop.exec();
    waits_.pop_back();
  }
  return true;
}

void QtEventLoop::process_pending() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::wake() {
  // An outer wait that is over quits as soon as the inner ones have returned to it.
  for (auto& w : waits_)
    if ((*w.done)()) w.loop->quit();
}

}  // namespace quelvara::graphics
