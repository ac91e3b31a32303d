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
  // Drawing and the window system's replies, but no user input: a click that arrives while a
  // callback runs waits for it to end. Run here, inside the callback that the click's own
  // press started (an edit box handing on its text as the focus leaves it), the release
  // would reach the button before its press and the click would be lost.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtEventLoop::wake() {
  // An outer wait that is over quits as soon as the inner ones have returned to it.
  for (auto& w : waits_)
    if ((*w.done)()) w.loop->quit();
}

}  // namespace quelvara::graphics
