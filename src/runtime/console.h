#pragma once
// Console messages of the numeric runtime: the print and error handlers that the program
// installs, warnings, errors raised through the handler, and the printed error report.
#include <functional>
#include <string>
#include <string_view>

#include "runtime/error.h"

namespace quelvara::runtime {

enum class MessageKind { error, out_of_memory, warning };

using PrintHandler = std::function<void(std::string_view text)>;
// Called with a message and its kind. For errors it does not return (it throws).
using ErrorHandler = std::function<void(std::string_view message, MessageKind kind)>;

// Install a handler and give back the one it replaces. An empty handler restores the default
// (the standard handlers below).
PrintHandler install_print_handler(PrintHandler handler);
ErrorHandler install_error_handler(ErrorHandler handler);

// The standard print handler: writes the text to standard output unchanged and flushes.
void standard_print_handler(std::string_view text);
// The standard error handler: errors become a RuntimeError of kind "RuntimeError" with no detail
// (exhausted memory with out_of_memory_message) and are recorded as the last error; a warning
// goes to the print handler as "Warning: " + message + a line break, and work goes on.
void standard_error_handler(std::string_view message, MessageKind kind);

// Text through the installed print handler.
void print(std::string_view text);
// A warning through the installed error handler.
void warning(std::string_view message);
// An error through the installed error handler; throws RuntimeError even if the handler returns.
[[noreturn]] void error(std::string_view message);
[[noreturn]] void memory_exhausted();

// The message of the last error raised through the error handler ("" before any).
std::string last_error();

// The error report: kind name (when present); "Exception!  File: " + file or "No File Info." +
// ", Line: " + line; four blanks + message; detail (when present); each line ends with "\n".
std::string error_report(const RuntimeError& e);
// The report through the print handler.
void print_error_report(const RuntimeError& e);

}  // namespace quelvara::runtime
