#pragma once
// The two modal dialogs (gravar, val_factor) differ only in their names and in how the typed
// text becomes the reply; this builds either module from that.
#include <functional>
#include <string>

#include "framework/window_module.h"
#include "runtime/value.h"

namespace quelvara::windows {

struct ReplyDialog {
  std::string module;  // also the tag of the dialog window
  std::string edit;    // tag of the edit box
  // The reply for a non-empty typed text.
  std::function<runtime::Value(const std::string& typed)> reply;
};

// The reply of a cancelled dialog, also given when the dialog is closed by its frame.
inline constexpr const char* cancel_reply = "false";

// The module table: <module>_OpeningFcn (keeps the window as the default reply, centres the
// dialog and waits), <module>_OutputFcn (gives the reply and deletes the dialog),
// <edit>_CreateFcn, <edit>_Callback, ok_Callback and cancelar_Callback.
framework::WindowModule reply_dialog_module(const ReplyDialog& dialog);

}  // namespace quelvara::windows
