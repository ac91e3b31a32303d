// The credits window creditos and the SAMPA chart window sampa: a picture in an axes, and a
// button that closes the window.
#include "framework/placement.h"
#include "framework/window_data.h"
#include "framework/window_module.h"
#include "graphics/callbacks.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"
#include "windows/module_support.h"
#include "windows/modules.h"

namespace quelvara::windows {

namespace {

const runtime::RuntimeUser creditos_user;
const runtime::RuntimeUser sampa_user;

// Reads the picture file and shows it in the axes of the record's field axes_tag. An unreadable
// file stops here, before the caller stores its record.
void show_picture(const Value& handles, const char* axes_tag, const char* file) {
  graphics::axes(handle_field(handles, axes_tag));
  Results image = runtime::call_by_name("imread", 1, {Value(file)});
  runtime::call_by_name("imshow", 0, {image.at(0)});
}

// The window's own handle becomes the record's output.
void store_output(const Args& args) {
  Value handles = parameter(args, 2);
  if (!handles.is_record()) handles = Value(runtime::Record());
  handles.record().set("output", parameter(args, 0));
  framework::guidata(parameter(args, 0), handles);
}

Results output(int, Args args) {
  const Value& handles = parameter(args, 2);
  if (!handles.is_record()) return {Value()};  // the window is gone
  return {field(handles, "output")};
}

// Closes the current window: the one whose button was pressed.
Results close_current(int, Args) {
  graphics::close();
  return {};
}

}  // namespace

void register_creditos() {
  framework::register_window_module(
      {"creditos",
       {{"creditos_OpeningFcn",
         [](int, Args args) {
           show_picture(parameter(args, 2), "imagem", "fig_tts.jpg");
           store_output(args);
           framework::centrarcaixas(handle_parameter(args, 0));
           return Results{};
         }},
        {"creditos_OutputFcn", output},
        {"ok_Callback", close_current}}});
}

void register_sampa() {
  // The chart keeps the place its layout gives it.
  framework::register_window_module(
      {"sampa",
       {{"sampa_OpeningFcn",
         [](int, Args args) {
           show_picture(parameter(args, 2), "img_sampa", "sampa.jpg");
           store_output(args);
           return Results{};
         }},
        {"sampa_OutputFcn", output},
        {"sampa_ResizeFcn", [](int, Args) { return Results{}; }},
        {"ok_Callback", close_current}}});
}

}  // namespace quelvara::windows
