#include "windows/reply_dialog.h"

#include "framework/placement.h"
#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "runtime/error.h"
#include "windows/module_support.h"

namespace quelvara::windows {

namespace {

Results opening(int, Args args) {
  const Handle dialog = handle_parameter(args, 0);
  Value handles = parameter(args, 2);
  if (!handles.is_record()) handles = Value(runtime::Record());
  handles.record().set("output", Value(dialog));
  framework::guidata(Value(dialog), handles);
  framework::centrarcaixas(dialog);
  graphics::uiwait(dialog);
  return {};
}

Results output(int, Args args) {
  const Value& handles = parameter(args, 2);
  // The dialog closed by its frame leaves no record behind: that is a cancel.
  if (!handles.is_record()) return {Value(cancel_reply)};
  Value reply = field(handles, "output");
  const Value& window = parameter(args, 0);
  if (graphics::is_single_handle(window)) graphics::delete_object(window.number());
  return {reply};
}

// Stores the reply and ends the dialog's wait.
void answer(const std::string& module, const Args& args, Value reply) {
  Value handles = parameter(args, 2);
  if (!handles.is_record()) throw runtime::RuntimeError("Reference to non-existent field 'output'.");
  handles.record().set("output", std::move(reply));
  framework::guidata(parameter(args, 0), handles);
  graphics::uiresume(handle_field(handles, module));
}

}  // namespace

framework::WindowModule reply_dialog_module(const ReplyDialog& dialog) {
  const std::string module = dialog.module;
  const std::string edit = dialog.edit;
  const auto reply = dialog.reply;
  framework::WindowModule m{module, {}};
  m.functions = {
      {module + "_OpeningFcn", opening},
      {module + "_OutputFcn", output},
      {edit + "_CreateFcn",
       [](int, Args args) {
         set_entry_background(handle_parameter(args, 0));
         return Results{};
       }},
      // The text is read only when OK is pressed.
      {edit + "_Callback", [](int, Args) { return Results{}; }},
      {"ok_Callback",
       [module, edit, reply](int, Args args) {
         const std::string typed = graphics::get_text(handle_field(parameter(args, 2), edit), "String");
         if (typed.empty()) return Results{};  // nothing typed: the dialog keeps waiting
         answer(module, args, reply(typed));
         return Results{};
       }},
      {"cancelar_Callback",
       [module](int, Args args) {
         answer(module, args, Value(cancel_reply));
         return Results{};
       }},
  };
  return m;
}

}  // namespace quelvara::windows
