#pragma once
// The Qt Widgets view: every figure is a top-level window whose widgets mirror its objects, and
// user actions run the objects' callbacks (Enter or focus-out after a change in an edit box,
// every pick in a pop-up list, a button press, a window resize, the window's close control).
// Model positions count from the lower-left corner of the screen; the conversion to Qt's
// top-left coordinates happens here and nowhere else.
#include "graphics/object_tree.h"

class QWidget;

namespace quelvara::graphics {

// Attaches the view to the tree and installs Qt's event loop for waits; needs a QApplication.
// Reads the screen size from the primary screen. Figures that exist already get windows.
// Calling it again does nothing.
void start_qt_view();
// Detaches the view, closes its windows and goes back to the headless loop.
void stop_qt_view();
bool qt_view_running();

// The graphics runtime's start and end for the program: makes the QApplication (unless one
// exists; it is kept to the end of the process) and starts the view; terminate stops it.
// The shell's wait until no window is left is wait_until_no_windows() (event_loop.h).
void initialise_qt_graphics(int& argc, char** argv);
void terminate_qt_graphics();

// The widget that shows an object (a figure's window, a control, an axes' area), or nullptr.
QWidget* widget_of(Handle h);

}  // namespace quelvara::graphics
