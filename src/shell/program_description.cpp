#include "shell/program_description.h"

#include <utility>

#include "runtime/module_constants.h"

namespace quelvara::shell {

namespace {

constexpr int any = -1;

const runtime::NamedFunction functions[] = {
    {"interface", any, any},
    {"bartlett", 1, 1},
    {"centrarcaixas", 1, 0},
    {"creditos", any, any},
    {"gravar", any, any},
    {"gui_mainfcn", -(1 + 1), any},  // one fixed argument, then any
    {"guidata", 2, 1},
    {"sampa", any, any},
    {"val_factor", any, any},
    {"wavplay", any, 0},
    {"wavwrite", 4, 0},
    {"signal/private/check_order", 1, 3},
    {"imread", any, 3},
    {"imshow", any, 1},
    {"guihandles", 1, 1},
    {"openfig", 3, 1},
    {"audio/private/playsnd", 3, 0},
    {"audio/private/playsndb", any, any},
    {"qorgetpref", 1, 1},
    {"truesize", any, 0},
    {"isvarname", 1, 1},
    {"movegui", any, 0},
    {"images/private/qorprefs", 0, 1},
    {"images/private/qorregistry", any, any},
    {"iskeyword", 1, 1},
};

LifecycleObserver& observer() {
  static LifecycleObserver o;
  return o;
}

StartStop library_pair(std::string owner) {
  return {owner, [owner] { notify_lifecycle("start " + owner); },
          [owner] { notify_lifecycle("stop " + owner); }};
}

// A module's start does nothing; its stop releases the module's constant values.
StartStop module_pair(std::string module) {
  return {module, [module] { notify_lifecycle("start " + module); },
          [module] {
            runtime::release_module_constants(module);
            notify_lifecycle("stop " + module);
          }};
}

}  // namespace

std::span<const runtime::NamedFunction> named_functions() { return functions; }

const std::vector<StartStop>& start_stop_list() {
  static const std::vector<StartStop> list = [] {
    std::vector<StartStop> l;
    l.push_back(library_pair("function library"));
    l.push_back(library_pair("graphics bridge"));
    for (const auto& f : functions) l.push_back(module_pair(f.name));
    return l;
  }();
  return list;
}

LifecycleObserver set_lifecycle_observer(LifecycleObserver o) {
  return std::exchange(observer(), std::move(o));
}

void notify_lifecycle(const std::string& event) {
  if (observer()) observer()(event);
}

}  // namespace quelvara::shell
