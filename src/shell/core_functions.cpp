#include "shell/core_functions.h"

#include <optional>
#include <string>

#include "audio/install.h"
#include "prosody/bartlett.h"
#include "runtime/argument_count.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"
#include "shell/interface_stub.h"

namespace quelvara::shell {

namespace {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

// Each module is a user of the numeric runtime for as long as the program runs.
const runtime::RuntimeUser bartlett_user;
const runtime::RuntimeUser check_order_user;
const runtime::RuntimeUser interface_user;

void warn_on_console(const std::string& text) { runtime::warning(text); }

std::optional<double> order_of(const Value& v) {
  if (v.is_empty()) return std::nullopt;
  if (!v.is_array() || !v.array().is_scalar()) throw RuntimeError("The order must be a single number.");
  return v.array()(1);
}

Array column(const std::vector<double>& values) {
  return Array::matrix(values.size(), 1, values);  // 0 values: a column of 0 rows
}

}  // namespace

Values bartlett_by_name(int, Values args) {
  runtime::check_argument_count(1, 1, static_cast<int>(args.size()));
  return {column(prosody::bartlett(order_of(args[0]), warn_on_console))};
}

Values check_order_by_name(int, Values args) {
  runtime::check_argument_count(1, 1, static_cast<int>(args.size()));
  const auto checked = prosody::check_order(order_of(args[0]), warn_on_console);
  const Value n_out = checked.n_out ? Value(*checked.n_out) : Value();
  const Value w = checked.trivalwin ? Value(column(checked.w)) : Value();
  return {n_out, w, Value(checked.trivalwin ? 1.0 : 0.0)};
}

void install_core_functions() {
  runtime::define_function("bartlett", bartlett_by_name);
  runtime::define_function("signal/private/check_order", check_order_by_name);
  audio::install_audio();
  runtime::define_function_if_absent("interface", interface_stub);
}

}  // namespace quelvara::shell
