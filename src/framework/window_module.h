#pragma once
// Window modules: an entry function named after the module, a layout file <module>.fig, and a
// table of named functions (<module>_OpeningFcn, <module>_OutputFcn, callbacks such as
// ok_Callback), each with the signature (hObject, eventdata, handles, ...).
//
// A module registers itself once:
//
//   framework::register_window_module({"gravar", {
//       {"gravar_OpeningFcn", opening}, {"gravar_OutputFcn", output},
//       {"ok_Callback", ok}, {"cancelar_Callback", cancelar}}});
//
// after which "gravar" and "gravar/ok_Callback" are callable by name (through their by-name
// entries, whose declared counts come from the table of checks), the layout's callbacks reach
// the module, and call_by_name("gravar", 1, {}) opens the dialog.
#include <string>
#include <utility>
#include <vector>

#include "runtime/value.h"

namespace quelvara::framework {

struct WindowModule {
  std::string name;
  // Short names and bodies; each body gets the arguments after the callback's name.
  std::vector<std::pair<std::string, runtime::Function>> functions;
  // Nonzero selects the instance policy "reuse" (every window of the system uses it).
  double singleton = 1;
};

// Defines the module's entry function and the functions of its table by name, and installs the
// framework (install_framework).
void register_window_module(WindowModule module);

// The window-state table the entry function builds for one call: the module's names, and
// gui_Callback looked up in the module's table when the first argument is a text.
runtime::Record make_gui_state(const std::string& module, double singleton,
                               const std::vector<runtime::Value>& args);

// The entry function of a module: builds gui_State and hands it with all arguments to
// gui_mainfcn; gives the first nargout results (none when nargout is 0).
std::vector<runtime::Value> window_entry(const std::string& module, double singleton, int nargout,
                                         std::vector<runtime::Value> args);

}  // namespace quelvara::framework
