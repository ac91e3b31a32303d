#include "runtime/runtime_users.h"

#include <mutex>

#include "runtime/console.h"
#include "runtime/function_registry.h"

namespace quelvara::runtime {

namespace {

struct Users {
  std::mutex mutex;
  int count = 0;
  int starts = 0;
};

Users& users() {
  static Users u;
  return u;
}

// Bringing the runtime up installs the standard error handler, then the print handler.
void start_runtime() {
  install_error_handler(standard_error_handler);
  install_print_handler(standard_print_handler);
}

void stop_runtime() {
  unregister_functions();
  install_print_handler({});
  install_error_handler({});
}

}  // namespace

RuntimeUser::RuntimeUser() {
  // Touch the state that stopping the runtime uses, so that it is built before, and thus
  // destroyed after, every static user.
  (void)last_error();
  (void)is_registered("");
  auto& u = users();
  std::lock_guard lock(u.mutex);
  if (u.count++ == 0) {
    start_runtime();
    ++u.starts;
  }
}

RuntimeUser::~RuntimeUser() {
  auto& u = users();
  std::lock_guard lock(u.mutex);
  if (--u.count == 0) {
    stop_runtime();
  }
}

int runtime_user_count() {
  std::lock_guard lock(users().mutex);
  return users().count;
}

bool runtime_is_up() { return runtime_user_count() > 0; }

int runtime_start_count() {
  std::lock_guard lock(users().mutex);
  return users().starts;
}

}  // namespace quelvara::runtime
