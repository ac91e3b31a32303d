#include "graphics/callbacks.h"

#include <vector>

#include "runtime/console.h"
#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

using runtime::RuntimeError;

CallbackErrorHandler& error_handler() {
  static CallbackErrorHandler handler;
  return handler;
}

class CallbackScope {
 public:
  explicit CallbackScope(Handle h) { enter_callback(h); }
  ~CallbackScope() { leave_callback(); }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
};

}  // namespace

void fire_callback(Handle h, std::string_view property, Value eventdata) {
  Value cb = get(h, property);
  if (cb.is_empty()) return;
  std::vector<Value> args{Value(h), std::move(eventdata)};
  runtime::FunctionRef f;
  if (cb.is_function()) {
    f = cb.function();
  } else if (cb.is_cell() && !cb.cell().items.empty() && cb.cell().items.front().is_function()) {
    f = cb.cell().items.front().function();
    for (std::size_t i = 1; i < cb.cell().items.size(); ++i) args.push_back(cb.cell().items[i]);
  } else {
    throw RuntimeError("The " + std::string(property) + " property does not hold a function.");
  }
  if (!f.call) throw RuntimeError("The callback '" + f.name + "' has no function.");
  CallbackScope scope(h);
  (*f.call)(0, std::move(args));
}

void fire_callback_from_event(Handle h, std::string_view property, Value eventdata) {
  try {
    // Acting in a window makes it the current one, as callbacks such as a button that
    // closes "the current window" expect. Creation and deletion are no actions.
    const bool user_action = !same_name(property, "CreateFcn") && !same_name(property, "DeleteFcn");
    if (const auto figure = ancestor_figure(h); user_action && figure && ishandle(*figure))
      make_current_figure(*figure);
    fire_callback(h, property, std::move(eventdata));
  } catch (const std::exception& e) {
    report_callback_error(e);
  }
}

void set_callback_error_handler(CallbackErrorHandler handler) { error_handler() = std::move(handler); }

void report_callback_error(const std::exception& error) {
  if (error_handler())
    error_handler()(error);
  else
    runtime::print_error_report(runtime::as_runtime_error(error));
}

void close(Handle figure) {
  if (!ishandle(figure) || type_of(figure) != "figure")
    throw RuntimeError("close: the handle of a figure is required.");
  if (get(figure, "CloseRequestFcn").is_empty())
    delete_object(figure);
  else
    fire_callback(figure, "CloseRequestFcn");
}

void close() {
  if (const auto f = current_figure()) close(*f);
}

void delete_object(Handle h) {
  if (h == root_handle) throw RuntimeError("The root object cannot be deleted.");
  if (!ishandle(h)) throw RuntimeError("Invalid or deleted object.");
  mark_deleting(h, true);
  const auto kids = children_of(h);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it)
    if (ishandle(*it)) delete_object(*it);
  // The DeleteFcn still sees the object; an error in it does not stop the deletion.
  if (mark_deleting(h, false)) {
    if (!get(h, "DeleteFcn").is_empty()) fire_callback_from_event(h, "DeleteFcn");
    if (!mark_deleting(h, true)) return;
  }
  remove_object(h);
}

void reset_tree() {
  for (Handle f : figures())
    if (ishandle(f)) delete_object(f);
  reset_root();
}

}  // namespace quelvara::graphics
