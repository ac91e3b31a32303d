#pragma once
// The event loop, modal waits and the wait until no window is left.
//
// The loop itself is pluggable: the Qt view installs one that runs Qt's (nested) event loops;
// without a view the headless loop runs the actions that tests post with post_event(), in
// order, and a wait that nothing posted can end fails instead of blocking.
#include <functional>

#include "graphics/object_tree.h"

namespace quelvara::graphics {

class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Runs events until done() holds. Gives false when it cannot go on (headless: nothing left
  // to run).
  virtual bool run_until(const std::function<bool()>& done) = 0;
  // Runs the drawing and window-system events pending now, then returns; the user's input
  // waits for the running callback to end.
  virtual void process_pending() = 0;
  // Something a waiter may be waiting for has happened (a resume, a deletion).
  virtual void wake() = 0;
};

// Installs the loop (nullptr: back to the headless loop). The caller keeps ownership.
void set_event_loop(EventLoop* loop);
EventLoop& event_loop();

// Headless mode: queue an action (typing into a control and firing its callback, pressing a
// button, closing a window). Errors that escape an action are reported like callback errors.
void post_event(std::function<void()> action);
// Actions queued and not yet run; they run only inside waits (uiwait, wait_until_no_windows)
// or when run_posted_events() is called.
std::size_t pending_events();
// Runs the actions queued now.
void run_posted_events();

// Shows a hidden figure and runs the event loop until uiresume(h) is called or h is deleted.
// Returns at once when h is not an existing object. Headless, a wait that the queued actions
// do not end fails with runtime::RuntimeError.
void uiwait(Handle h);
void uiresume(Handle h);
// Whether a uiwait on h is running now.
bool is_waiting(Handle h);

// Processes pending drawing and events, so that positions read afterwards are current.
void drawnow();

// Runs the event loop until no figure is left. Headless, returns when the queue runs dry.
void wait_until_no_windows();

}  // namespace quelvara::graphics
