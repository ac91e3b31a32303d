#pragma once
// The Qt Widgets view: every figure is a top-level window whose widgets mirror its objects, and
// user actions run the objects' callbacks (Enter or focus-out after a change in an edit box,
// every pick in a pop-up list, a button press, a window resize, the window's close control).
// Model positions count from the lower-left corner of the screen; the conversion to Qt's
// top-left coordinates happens here and nowhere else.
//
// A figure's native window is mapped only when its Visible turns "on", at the geometry the
// model holds then, and is unmapped when it turns "off"; a hidden window takes no geometry.
// When shown, a window is raised and activated and its first edit box (in Tab order) takes
// the focus with its text selected; setting Visible "on" on a shown window raises and
// activates it again. A figure's WindowStyle "modal" makes it application-modal (a dialog
// kept above the window whose callback opened it), Resize "off" gives it a fixed size and no
// maximise button. Keys: Enter presses the focused push button, or else the one that the
// figure's DefaultButton names by its tag; Escape presses the one its CancelButton names.
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
// Without XDG_RUNTIME_DIR, the toolkit gets a private runtime folder for the process.
// The shell's wait until no window is left is wait_until_no_windows() (event_loop.h).
void initialise_qt_graphics(int& argc, char** argv);
void terminate_qt_graphics();

// The widget that shows an object (a figure's window, a control, an axes' area), or nullptr.
QWidget* widget_of(Handle h);

}  // namespace quelvara::graphics
