#include "framework/window_module.h"

#include "framework/gui_mainfcn.h"
#include "framework/install.h"
#include "runtime/function_registry.h"

namespace quelvara::framework {

using runtime::Record;
using runtime::Value;

Record make_gui_state(const std::string& module, double singleton, const std::vector<Value>& args) {
  Record state;
  state.set("gui_Name", Value(module));
  state.set("gui_Singleton", Value(singleton));
  state.set("gui_OpeningFcn", runtime::function_reference(module + "/" + module + "_OpeningFcn"));
  state.set("gui_OutputFcn", runtime::function_reference(module + "/" + module + "_OutputFcn"));
  state.set("gui_LayoutFcn", Value());
  state.set("gui_Callback", Value());
  // A name that is not in the table still gives a reference; it fails only if it is run.
  if (!args.empty() && args.front().is_text())
    state.set("gui_Callback", runtime::function_reference(module + "/" + args.front().text()));
  return state;
}

std::vector<Value> window_entry(const std::string& module, double singleton, int nargout, std::vector<Value> args) {
  std::vector<Value> controller_args;
  controller_args.reserve(args.size() + 1);
  controller_args.emplace_back(make_gui_state(module, singleton, args));
  for (auto& a : args) controller_args.push_back(std::move(a));
  auto results = gui_mainfcn(nargout < 1 ? 0 : nargout, std::move(controller_args));
  if (nargout < 1) return {};
  return results;
}

void register_window_module(WindowModule module) {
  install_framework();
  const std::string name = module.name;
  const double singleton = module.singleton;
  runtime::define_function(name, [name, singleton](int nargout, std::vector<Value> args) {
    return window_entry(name, singleton, nargout, std::move(args));
  });
  for (auto& [function, body] : module.functions) runtime::define_function(name + "/" + function, std::move(body));
}

}  // namespace quelvara::framework
