#pragma once
// Waits on Qt: each wait runs a nested QEventLoop that quits once its condition holds.
#include <functional>
#include <vector>

#include "graphics/event_loop.h"

class QEventLoop;

namespace quelvara::graphics {

class QtEventLoop final : public EventLoop {
 public:
  bool run_until(const std::function<bool()>& done) override;
  void process_pending() override;
  void wake() override;

 private:
  struct Wait {
    QEventLoop* loop;
    const std::function<bool()>* done;
  };
  std::vector<Wait> waits_;
};

}  // namespace quelvara::graphics
