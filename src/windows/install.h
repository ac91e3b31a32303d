#pragma once
// Plugs the windows into the program: the five window modules, the image display, the audio
// functions called by name, and the report of errors that end a callback.
#include <exception>

namespace quelvara::windows {

// Safe to call more than once.
void install_windows();

// What the user sees of an error that ended a callback: the error report on the console and
// the message in a box titled "Quelvara" (which does not wait: the callback is over).
void report_callback_error(const std::exception& error);
void install_callback_error_report();

}  // namespace quelvara::windows
