#include "graphics/event_loop.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "graphics/callbacks.h"
#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

class HeadlessLoop final : public EventLoop {
 public:
  bool run_until(const std::function<bool()>& done) override {
    while (!done()) {
      if (!run_one()) return false;
    }
    return true;
  }
  // Posted actions stand for the user, who acts while the program waits: drawing has nothing
  // to do headless, so they are left for the next wait.
  void process_pending() override {}
  void run_posted() {
    // Only what is queued now; actions queued meanwhile wait for the next turn.
    for (std::size_t n = queue_.size(); n > 0 && run_one(); --n) {
    }
  }
  void wake() override {}

  void post(std::function<void()> action) { queue_.push_back(std::move(action)); }
  std::size_t pending() const { return queue_.size(); }

 private:
  bool run_one() {
    if (queue_.empty()) return false;
    auto action = std::move(queue_.front());
    queue_.pop_front();
    try {
      action();
    } catch (const std::exception& e) {
      report_callback_error(e);
    }
    return true;
  }
  std::deque<std::function<void()>> queue_;
};

HeadlessLoop& headless() {
  static HeadlessLoop loop;
  return loop;
}

EventLoop*& installed() {
  static EventLoop* loop = nullptr;
  return loop;
}

struct Waiter {
  Handle handle;
  bool resumed = false;
};

// Waits nest (a dialog waiting inside a callback of a waiting window), so each has its own
// flag; uiresume ends every wait on its object.
std::vector<Waiter*>& waiters() {
  static std::vector<Waiter*> w;
  return w;
}

class WaiterScope {
 public:
  explicit WaiterScope(Waiter& w) : w_(&w) { waiters().push_back(w_); }
  ~WaiterScope() { std::erase(waiters(), w_); }
  WaiterScope(const WaiterScope&) = delete;
  WaiterScope& operator=(const WaiterScope&) = delete;

 private:
  Waiter* w_;
};

// Ends waits whose object has gone.
class DeletionWatch final : public TreeObserver {
 public:
  DeletionWatch() { add_observer(this); }
  void object_deleting(Handle) override { event_loop().wake(); }
};

}  // namespace

void set_event_loop(EventLoop* loop) { installed() = loop; }

EventLoop& event_loop() {
  static DeletionWatch watch;
  return installed() ? *installed() : headless();
}

void post_event(std::function<void()> action) { headless().post(std::move(action)); }

std::size_t pending_events() { return headless().pending(); }

void run_posted_events() { headless().run_posted(); }

void uiwait(Handle h) {
  if (!ishandle(h)) return;
  if (type_of(h) == "figure" && get_text(h, "Visible") != "on") set(h, "Visible", Value("on"));
  Waiter waiter{h};
  WaiterScope scope(waiter);
  const bool ended = event_loop().run_until([&] { return waiter.resumed || !ishandle(h); });
  if (!ended)
    throw runtime::RuntimeError("uiwait: no pending event can end the wait on object " +
                                std::to_string(h) + ".");
}

void uiresume(Handle h) {
  bool any = false;
  for (auto* w : waiters())
    if (w->handle == h) w->resumed = any = true;
  if (any) event_loop().wake();
}

bool is_waiting(Handle h) {
  return std::any_of(waiters().begin(), waiters().end(),
                     [&](const Waiter* w) { return w->handle == h && !w->resumed; });
}

void drawnow() { event_loop().process_pending(); }

void wait_until_no_windows() {
  event_loop().run_until([] { return figures().empty(); });
}

}  // namespace quelvara::graphics
