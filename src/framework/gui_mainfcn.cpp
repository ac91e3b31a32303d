#include "framework/gui_mainfcn.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "framework/openfig.h"
#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "runtime/error.h"

namespace quelvara::framework {

namespace {

using graphics::Handle;
using runtime::Record;
using runtime::RuntimeError;
using runtime::Value;

constexpr std::array<const char*, 6> state_fields = {"gui_Name",      "gui_Singleton", "gui_OpeningFcn",
                                                     "gui_OutputFcn", "gui_LayoutFcn", "gui_Callback"};

void check_state(const Value& state) {
  if (!state.is_record()) throw RuntimeError("gui_mainfcn: the first argument must be the window-state table.");
  const Record& r = state.record();
  std::string module;
  for (const char* field : state_fields) {
    if (!r.has(field))
      throw RuntimeError(std::string("Could not find the field ") + field +
                         " in the window-state table of the window module " +
                         (module.empty() ? "" : module + ".cpp") + ".");
    if (std::string_view(field) == "gui_Name")
      module = r.get(field).is_text() ? r.get(field).text() : std::string();
  }
}

bool is_dispatch(const std::vector<Value>& args) {
  // args[0] is gui_State.
  if (args.size() - 1 <= 3) return false;
  if (!args[1].is_text()) return false;
  const Value& h = args[2];
  if (h.is_empty() || !h.is_array() || h.is_text()) return false;
  const auto exists = graphics::ishandle(h).data();
  return std::all_of(exists.begin(), exists.end(), [](double x) { return x != 0; });
}

std::vector<Value> call(const Value& f, const char* what, int nargout, std::vector<Value> args) {
  if (!f.is_function() || !f.function().call)
    throw RuntimeError(std::string("gui_mainfcn: ") + what + " is not a function reference.");
  return (*f.function().call)(nargout, std::move(args));
}

std::vector<Value> first(std::vector<Value> results, int nargout) {
  if (nargout < 1) return {};
  if (results.size() > static_cast<std::size_t>(nargout)) results.resize(static_cast<std::size_t>(nargout));
  return results;
}

bool matches_prefix(const std::string& given, const char* word, std::size_t n) {
  if (given.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(given[i])) != word[i]) return false;
  return true;
}

// The window is shown unless the last ("Visible", "off") pair asks otherwise.
bool make_visible(const std::vector<Value>& args) {
  bool visible = true;
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    const Value& name = args[i];
    const Value& value = args[i + 1];
    if (!name.is_text() || !value.is_text()) continue;
    const std::string n = name.text(), v = value.text();
    const std::size_t a = std::min<std::size_t>(7, n.size());
    const std::size_t b = std::min<std::size_t>(3, v.size());
    if (!matches_prefix(n, "visible", a) || b <= 1) continue;
    if (matches_prefix(v, "off", b))
      visible = false;
    else if (matches_prefix(v, "on", b))
      visible = true;
  }
  return visible;
}

void set_property_pairs(Handle figure, const std::vector<Value>& args) {
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    try {
      if (!args[i].is_text()) return;
      graphics::set(figure, args[i].text(), args[i + 1]);
    } catch (const std::exception&) {
      return;  // the first refused pair ends the walk
    }
  }
}

bool option(const Value& options, const char* field) {
  if (!options.is_record() || !options.record().has(field)) return false;
  const Value& v = options.record().get(field);
  if (!v.is_array() || v.is_empty()) return false;
  const auto& d = v.array().data();
  return std::all_of(d.begin(), d.end(), [](double x) { return x != 0; });
}

// "callback" becomes "on" for a while; gives the value to put back.
Value expose(Handle figure) {
  Value old = graphics::get(figure, "HandleVisibility");
  if (old.is_text("callback")) graphics::set(figure, "HandleVisibility", Value("on"));
  return old;
}

// The windows whose opening steps are running now, innermost last. A dialog waits for its
// answer inside them, hidden until its wait shows it.
std::vector<Handle>& opening_now() {
  static std::vector<Handle> windows;
  return windows;
}

class OpeningScope {
 public:
  explicit OpeningScope(Handle figure) { opening_now().push_back(figure); }
  ~OpeningScope() { opening_now().pop_back(); }
  OpeningScope(const OpeningScope&) = delete;
  OpeningScope& operator=(const OpeningScope&) = delete;
};

// A window whose opening stopped half-way (its picture could not be read) stays loaded but
// hidden until its next opening deletes it. Once the last shown window has closed, nothing is
// left to open it again: it goes too, so that the wait until no window is left ends.
class HalfOpenedWindowSweep final : public graphics::TreeObserver {
 public:
  HalfOpenedWindowSweep() { graphics::add_observer(this); }
  ~HalfOpenedWindowSweep() override { graphics::remove_observer(this); }
  HalfOpenedWindowSweep(const HalfOpenedWindowSweep&) = delete;
  HalfOpenedWindowSweep& operator=(const HalfOpenedWindowSweep&) = delete;

  void object_deleting(Handle going) override {
    if (sweeping_ || graphics::type_of(going) != "figure" || graphics::get_text(going, "Visible") != "on") return;
    std::vector<Handle> half_opened;
    for (Handle f : graphics::figures()) {  // the going window is no longer among them
      if (graphics::get_text(f, "Visible") == "on") return;
      const auto& opening = opening_now();
      if (graphics::isappdata(f, in_initialization_key) && std::find(opening.begin(), opening.end(), f) == opening.end())
        half_opened.push_back(f);
    }
    sweeping_ = true;
    for (Handle f : half_opened)
      if (graphics::ishandle(f)) graphics::delete_object(f);
    sweeping_ = false;
  }

 private:
  bool sweeping_ = false;
};

std::vector<Value> create_window(const Record& state, int nargout, const std::vector<Value>& args) {
  static HalfOpenedWindowSweep sweep;
  const Value policy(state.get("gui_Singleton").is_array() && !state.get("gui_Singleton").is_empty() &&
                             state.get("gui_Singleton").number() != 0
                         ? "reuse"
                         : "new");
  const Value& name = state.get("gui_Name");
  Handle figure = local_openfig(name, policy);
  if (graphics::ishandle(figure) && graphics::isappdata(figure, in_initialization_key)) {
    // A previous opening stopped half-way.
    graphics::delete_object(figure);
    figure = local_openfig(name, policy);
  }
  const bool exists_after_load = graphics::ishandle(figure);
  if (exists_after_load) {
    graphics::setappdata(figure, in_initialization_key, Value(1));
    const Value options = graphics::getappdata(figure, layout_options_key);
    if (!graphics::isappdata(figure, on_screen_key)) {
      if (option(options, "syscolorfig"))
        graphics::set(figure, "Color", graphics::get(graphics::root_handle, "DefaultUicontrolBackgroundColor"));
      guidata(Value(figure), create_handles(figure));
    }
    const bool visible = make_visible(args);
    set_property_pairs(figure, args);
    const Value visibility = expose(figure);

    std::vector<Value> opening{Value(figure), Value(), guidata(Value(figure))};
    opening.insert(opening.end(), args.begin() + 1, args.end());
    {
      const OpeningScope scope(figure);
      call(state.get("gui_OpeningFcn"), "gui_OpeningFcn", 0, std::move(opening));
    }

    if (graphics::ishandle(figure)) {
      graphics::set(figure, "HandleVisibility", visibility);
      if (visible) {
        graphics::set(figure, "Visible", Value("on"));
        if (option(options, "singleton")) graphics::setappdata(figure, on_screen_key, Value(1));
      }
      graphics::rmappdata(figure, in_initialization_key);
    }
  }
  Value handles;
  Value visibility;
  const bool exists = graphics::ishandle(figure);
  if (exists) {
    visibility = expose(figure);
    handles = guidata(Value(figure));
  }
  auto results = call(state.get("gui_OutputFcn"), "gui_OutputFcn", nargout < 1 ? 0 : nargout,
                      {Value(figure), Value(), handles});
  if (exists && graphics::ishandle(figure)) graphics::set(figure, "HandleVisibility", visibility);
  return first(std::move(results), nargout);
}

}  // namespace

Handle local_openfig(const Value& name, const Value& policy) {
  return openfig(name, policy, Value("auto"));
}

std::vector<Value> gui_mainfcn(int nargout, std::vector<Value> args) {
  if (args.empty()) throw RuntimeError("Not enough input arguments.");
  check_state(args[0]);
  const Record state = args[0].record();
  if (is_dispatch(args)) {
    std::vector<Value> callback_args(args.begin() + 2, args.end());
    return first(call(state.get("gui_Callback"), "gui_Callback", nargout < 1 ? 0 : nargout, std::move(callback_args)),
                 nargout);
  }
  return create_window(state, nargout, args);
}

}  // namespace quelvara::framework
