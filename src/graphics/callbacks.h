#pragma once
// Running the callbacks held in object properties, and the operations that run them: closing
// a window and deleting objects.
#include <exception>
#include <functional>
#include <optional>
#include <string_view>

#include "graphics/object_tree.h"

namespace quelvara::graphics {

// Runs the callback in property of h (Callback, CreateFcn, ResizeFcn, ...). A function
// reference is called with (h, eventdata); a cell row {f, a, b, ...} with (h, eventdata, a, b,
// ...). While it runs, h is the callback object (gcbo) and its figure the callback figure
// (gcbf). An empty property does nothing. Errors propagate to the caller.
void fire_callback(Handle h, std::string_view property, Value eventdata = {});

// As fire_callback, for callbacks the event loop runs: for a user action (any callback but a
// creation or deletion one) the object's window becomes the current one first, and an error
// that ends the callback is handed to the callback error handler and goes no further.
void fire_callback_from_event(Handle h, std::string_view property, Value eventdata = {});

// Receives the error that ended a callback run by the event loop. The default prints an error
// report on standard output.
using CallbackErrorHandler = std::function<void(const std::exception&)>;
void set_callback_error_handler(CallbackErrorHandler handler);  // empty: restore the default
void report_callback_error(const std::exception& error);

// Closes a figure as its window's close control does: runs its CloseRequestFcn, or deletes it
// when that is empty. close() closes the current figure (when there is one).
void close(Handle figure);
void close();

// Deletes the object and its descendants (children first, each one's DeleteFcn fired before
// it goes). Deleting the root or a missing handle fails; the object is gone on return.
void delete_object(Handle h);

// Deletes every figure and restores the root's properties and application data; for tests.
void reset_tree();

}  // namespace quelvara::graphics
