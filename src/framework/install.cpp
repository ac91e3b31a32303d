#include "framework/install.h"

#include "framework/gui_mainfcn.h"
#include "framework/openfig.h"
#include "framework/placement.h"
#include "framework/window_data.h"
#include "graphics/layout.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"

namespace quelvara::framework {

namespace {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;
using Results = std::vector<Value>;

const Value& argument(const std::vector<Value>& args, std::size_t i) {
  if (args.size() <= i) throw RuntimeError("Not enough input arguments.");
  return args[i];
}

Value handle_or_empty(std::optional<graphics::Handle> h) { return h ? Value(*h) : Value(); }

Value logical(bool b) { return Value(b ? 1.0 : 0.0); }

Results guidata_body(int nargout, std::vector<Value> args) {
  if (args.size() >= 2) {
    if (nargout > 0) throw RuntimeError("Too many output arguments.");
    guidata(args[0], args[1]);
    return {};
  }
  return {guidata(argument(args, 0))};
}

Results parent_figure_body(int, std::vector<Value> args) {
  return {handle_or_empty(get_parent_figure(argument(args, 0)))};
}

Results guihandles_body(int, std::vector<Value> args) {
  return {args.empty() ? guihandles() : guihandles(args[0])};
}

Results create_handles_body(int, std::vector<Value> args) {
  const auto f = get_parent_figure(argument(args, 0));
  if (!f) throw RuntimeError("H must be the handle to a figure or figure descendent.");
  return {create_handles(*f)};
}

Results iskeyword_body(int, std::vector<Value> args) {
  if (args.empty()) return {Value(reserved_words())};
  return {logical(iskeyword(args[0]))};
}

Results centrarcaixas_body(int, std::vector<Value> args) {
  const Value& h = argument(args, 0);
  if (!h.is_number()) throw RuntimeError("centrarcaixas: the handle of a window is required.");
  centrarcaixas(h.number());
  return {};
}

Results openfig_body(int, std::vector<Value> args) {
  std::optional<Value> policy, visible;
  if (args.size() > 1) policy = args[1];
  if (args.size() > 2) visible = args[2];
  return {Value(openfig(argument(args, 0), policy, visible))};
}

Results local_openfig_body(int, std::vector<Value> args) {
  return {Value(local_openfig(argument(args, 0), argument(args, 1)))};
}

void dispatch_layout_callback(const std::string& module, const std::string& callback, graphics::Handle object,
                              Value eventdata) {
  Value handles = guidata(Value(object));
  runtime::call_by_name(module, 0, {Value(callback), Value(object), std::move(eventdata), std::move(handles)});
}

}  // namespace

void install_framework() {
  using runtime::define_function;
  define_function("guidata", guidata_body);
  define_function("guidata/getParentFigure", parent_figure_body);
  define_function("guihandles", guihandles_body);
  define_function("guihandles/getParentFigure", parent_figure_body);
  define_function("guihandles/createHandles", create_handles_body);
  define_function("isvarname", [](int, std::vector<Value> args) { return Results{logical(isvarname(argument(args, 0)))}; });
  define_function("iskeyword", iskeyword_body);
  define_function("centrarcaixas", centrarcaixas_body);
  define_function("movegui", [](int, std::vector<Value> args) {
    movegui(args);
    return Results{};
  });
  define_function("movegui/get_parent_fig", parent_figure_body);
  define_function("openfig", openfig_body);
  define_function("gui_mainfcn", gui_mainfcn);
  define_function("gui_mainfcn/local_openfig", local_openfig_body);
  graphics::set_layout_callback_dispatcher(dispatch_layout_callback);
}

}  // namespace quelvara::framework
