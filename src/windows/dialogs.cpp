// The save-name dialog gravar and the factor dialog val_factor.
#include "runtime/runtime_users.h"
#include "runtime/text_numbers.h"
#include "windows/modules.h"
#include "windows/reply_dialog.h"

namespace quelvara::windows {

namespace {
const runtime::RuntimeUser gravar_user;
const runtime::RuntimeUser val_factor_user;

bool digit(char c) { return c >= '0' && c <= '9'; }

// Portuguese writes 1,5 for 1.5: one comma between two digits, in a text without a point, is a
// decimal comma. Anything else is read as it stands ("1, 5" is still two numbers).
std::string with_decimal_point(std::string typed) {
  const auto comma = typed.find(',');
  if (comma == std::string::npos || comma == 0 || comma + 1 == typed.size()) return typed;
  if (typed.find(',', comma + 1) != std::string::npos || typed.find('.') != std::string::npos) return typed;
  if (digit(typed[comma - 1]) && digit(typed[comma + 1])) typed[comma] = '.';
  return typed;
}
}  // namespace

void register_gravar() {
  // The name exactly as typed: no trimming, no look at its characters.
  framework::register_window_module(reply_dialog_module(
      {"gravar", "nome", [](const std::string& typed) { return runtime::Value(typed); }}));
}

void register_val_factor() {
  // The caller checks the range; an empty or several-number conversion is passed on.
  framework::register_window_module(reply_dialog_module({"val_factor", "valor", [](const std::string& typed) {
                                                           return runtime::Value(runtime::str2num(with_decimal_point(typed)));
                                                         }}));
}

}  // namespace quelvara::windows
