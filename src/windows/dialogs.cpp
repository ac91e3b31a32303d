// The save-name dialog gravar and the factor dialog val_factor.
#include "runtime/runtime_users.h"
#include "runtime/text_numbers.h"
#include "windows/modules.h"
#include "windows/reply_dialog.h"

namespace quelvara::windows {

namespace {
const runtime::RuntimeUser gravar_user;
const runtime::RuntimeUser val_factor_user;
}  // namespace

void register_gravar() {
  // The name exactly as typed: no trimming, no look at its characters.
  framework::register_window_module(reply_dialog_module(
      {"gravar", "nome", [](const std::string& typed) { return runtime::Value(typed); }}));
}

void register_val_factor() {
  // The caller checks the range; an empty or several-number conversion is passed on.
  framework::register_window_module(reply_dialog_module(
      {"val_factor", "valor", [](const std::string& typed) { return runtime::Value(runtime::str2num(typed)); }}));
}

}  // namespace quelvara::windows
