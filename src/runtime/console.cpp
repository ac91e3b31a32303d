#include "runtime/console.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace quelvara::runtime {

namespace {

struct ConsoleState {
  std::mutex mutex;
  PrintHandler print;
  ErrorHandler error;
  std::string last_error;
};

ConsoleState& state() {
  static ConsoleState s;
  return s;
}

PrintHandler current_print() {
  std::lock_guard lock(state().mutex);
  return state().print ? state().print : PrintHandler(standard_print_handler);
}

ErrorHandler current_error() {
  std::lock_guard lock(state().mutex);
  return state().error ? state().error : ErrorHandler(standard_error_handler);
}

}  // namespace

PrintHandler install_print_handler(PrintHandler handler) {
  std::lock_guard lock(state().mutex);
  return std::exchange(state().print, std::move(handler));
}

ErrorHandler install_error_handler(ErrorHandler handler) {
  std::lock_guard lock(state().mutex);
  return std::exchange(state().error, std::move(handler));
}

void standard_print_handler(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void standard_error_handler(std::string_view message, MessageKind kind) {
  if (kind == MessageKind::warning) {
    print("Warning: " + std::string(message) + "\n");
    return;
  }
  std::string text = kind == MessageKind::out_of_memory ? out_of_memory_message : std::string(message);
  {
    std::lock_guard lock(state().mutex);
    state().last_error = text;
  }
  throw RuntimeError(std::move(text));
}

void print(std::string_view text) { current_print()(text); }

void warning(std::string_view message) { current_error()(message, MessageKind::warning); }

void error(std::string_view message) {
  current_error()(message, MessageKind::error);
  throw RuntimeError(std::string(message));
}

void memory_exhausted() {
  current_error()(out_of_memory_message, MessageKind::out_of_memory);
  throw RuntimeError(out_of_memory_message);
}

std::string last_error() {
  std::lock_guard lock(state().mutex);
  return state().last_error;
}

std::string error_report(const RuntimeError& e) {
  std::string out;
  if (e.kind()) out += *e.kind() + "\n";
  out += "Exception!  File: " + (e.file() ? *e.file() : std::string("No File Info.")) +
         ", Line: " + std::to_string(e.line()) + "\n";
  out += "    " + e.message() + "\n";
  if (e.detail()) out += *e.detail() + "\n";
  return out;
}

void print_error_report(const RuntimeError& e) { print(error_report(e)); }

}  // namespace quelvara::runtime
