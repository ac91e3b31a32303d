#include "graphics/layout.h"

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "graphics/callbacks.h"
#include "graphics/property_schema.h"
#include "runtime/data_folder.h"
#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

using Json = nlohmann::ordered_json;
using runtime::Array;
using runtime::Cell;
using runtime::Record;
using runtime::RuntimeError;

constexpr int max_nesting = 64;
constexpr std::size_t max_layout_bytes = 16 * 1024 * 1024;

LayoutCallbackDispatcher& dispatcher() {
  static LayoutCallbackDispatcher d;
  return d;
}

struct LayoutFault {
  std::string what;
};

[[noreturn]] void fault(std::string what) { throw LayoutFault{std::move(what)}; }

// The parser keeps its own stack, but values are destroyed recursively: refuse deep nesting
// before parsing.
void check_nesting(std::string_view text) {
  int depth = 0;
  bool in_string = false, escaped = false;
  for (char c : text) {
    if (in_string) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') in_string = false;
      continue;
    }
    if (c == '"') in_string = true;
    else if (c == '[' || c == '{') {
      if (++depth > max_nesting) fault("nesting is deeper than " + std::to_string(max_nesting) + " levels");
    } else if (c == ']' || c == '}') --depth;
  }
}

bool is_number_array(const Json& j) {
  if (!j.is_array()) return false;
  for (const auto& x : j)
    if (!x.is_number()) return false;
  return true;
}

bool is_string_array(const Json& j) {
  if (!j.is_array() || j.empty()) return false;
  for (const auto& x : j)
    if (!x.is_string()) return false;
  return true;
}

Value plain_value(const Json& j, const std::string& where) {
  if (j.is_null()) return Value();
  if (j.is_boolean()) return Value(j.get<bool>() ? 1.0 : 0.0);
  if (j.is_number()) return Value(j.get<double>());
  if (j.is_string()) return Value(j.get<std::string>());
  if (is_number_array(j)) {
    std::vector<double> d;
    for (const auto& x : j) d.push_back(x.get<double>());
    return Array::row(std::move(d));
  }
  if (is_string_array(j)) {
    Cell c;
    for (const auto& x : j) c.items.emplace_back(x.get<std::string>());
    return c;
  }
  fault(where + ": a value must be a number, a text, a list of numbers or a list of texts");
}

Value data_value(const Json& j, const std::string& where) {
  if (!j.is_object()) return plain_value(j, where);
  Record r;
  for (const auto& [k, v] : j.items()) r.set(k, data_value(v, where + "." + k));
  return r;
}

Value callback_value(const Json& j, const std::string& default_module, const std::string& where) {
  const auto name = j.find("callback");
  if (name == j.end() || !name->is_string() || name->get<std::string>().empty())
    fault(where + ": a callback needs a non-empty \"callback\" name");
  std::string module = default_module;
  if (const auto m = j.find("module"); m != j.end()) {
    if (!m->is_string()) fault(where + ": \"module\" must be a text");
    module = m->get<std::string>();
  }
  if (module.empty()) fault(where + ": the callback names no module");
  for (const auto& [k, v] : j.items())
    if (k != "callback" && k != "module") fault(where + ": unknown callback field \"" + k + "\"");
  return layout_callback(module, name->get<std::string>());
}

struct Loader {
  std::string module;
  const Record& overrides;
  Record saved;
  std::vector<Handle> created;  // creation order, for the creation callbacks

  Handle build(const Json& node, std::optional<Handle> parent, const std::string& where) {
    if (!node.is_object()) fault(where + " must be an object");
    std::string type = "figure";
    if (parent) {
      const auto t = node.find("type");
      if (t == node.end() || !t->is_string()) fault(where + " needs a \"type\"");
      type = t->get<std::string>();
      if (type == "figure" || type == "root") fault(where + ": a window cannot hold a \"" + type + "\"");
    } else if (const auto t = node.find("type"); t != node.end() && *t != "figure") {
      fault(where + ": the window's type must be \"figure\"");
    }
    for (const auto& [k, v] : node.items())
      if (k != "type" && k != "properties" && k != "appdata" && k != "children")
        fault(where + ": unknown field \"" + k + "\"");

    Handle h = 0;
    try {
      h = create_object(type, parent.value_or(root_handle));
    } catch (const RuntimeError& e) {
      fault(where + ": " + e.message());
    }
    created.push_back(h);
    if (!parent)
      for (const auto& name : overrides.names()) {
        saved.set(name, get(h, name));
        set(h, name, overrides.get(name));
      }

    if (const auto p = node.find("properties"); p != node.end()) {
      if (!p->is_object()) fault(where + ".properties must be an object");
      // Style first: the other properties of a control may depend on it.
      if (const auto style = p->find("Style"); style != p->end()) set_one(h, "Style", *style, where);
      for (const auto& [name, value] : p->items()) {
        if (name == "Style") continue;
        bool overridden = false;
        if (!parent)
          for (const auto& o : overrides.names())
            if (same_name(o, name)) {
              saved.set(o, stored_value(h, name, value, where));
              overridden = true;
            }
        if (!overridden) set_one(h, name, value, where);
      }
    }
    if (const auto a = node.find("appdata"); a != node.end()) {
      if (!a->is_object()) fault(where + ".appdata must be an object");
      for (const auto& [name, value] : a->items())
        setappdata(h, name, data_value(value, where + ".appdata." + name));
    }
    if (const auto c = node.find("children"); c != node.end()) {
      if (!c->is_array()) fault(where + ".children must be a list");
      for (std::size_t i = 0; i < c->size(); ++i)
        build((*c)[i], h, where + ".children[" + std::to_string(i) + "]");
    }
    return h;
  }

  // The value the file stores for a property that is not set now, checked as a setting would be.
  Value stored_value(Handle h, const std::string& name, const Json& value, const std::string& where) {
    const std::string at = where + ".properties." + name;
    Value v = value.is_object() ? callback_value(value, module, at) : plain_value(value, at);
    const auto* rule = find_property_rule(type_of(h), name);
    if (!rule) return v;  // computed properties (Position) are not overridden
    try {
      return checked_property_value(*rule, std::move(v));
    } catch (const RuntimeError& e) {
      fault(at + ": " + e.message());
    }
  }

  void set_one(Handle h, const std::string& name, const Json& value, const std::string& where) {
    const std::string at = where + ".properties." + name;
    Value v = value.is_object() ? callback_value(value, module, at) : plain_value(value, at);
    try {
      set(h, name, std::move(v));
    } catch (const RuntimeError& e) {
      fault(at + ": " + e.message());
    }
  }
};

}  // namespace

void set_layout_callback_dispatcher(LayoutCallbackDispatcher d) { dispatcher() = std::move(d); }

runtime::FunctionRef layout_callback(const std::string& module, const std::string& callback) {
  auto f = [module, callback](int, std::vector<Value> args) -> std::vector<Value> {
    if (!dispatcher()) throw RuntimeError("No window framework is installed to run " + module + "/" + callback + ".");
    const Handle h = !args.empty() && args[0].is_number() ? args[0].number() : root_handle;
    dispatcher()(module, callback, h, args.size() > 1 ? args[1] : Value());
    return {};
  };
  return {module + "/" + callback, std::make_shared<runtime::Function>(std::move(f))};
}

LoadedLayout load_layout_text(std::string_view text, const Record& overrides, std::string_view source) {
  const std::string prefix = "Cannot load layout '" + std::string(source) + "': ";
  Loader loader{"", overrides, {}, {}};
  Handle figure = 0;
  bool built = false;
  try {
    if (text.size() > max_layout_bytes) fault("the file is too large");
    check_nesting(text);
    Json doc = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (doc.is_discarded()) fault("not valid JSON");
    if (!doc.is_object()) fault("the top level must be an object");
    if (doc.value("format", std::string()) != "quelvara-layout")
      fault("\"format\" must be \"quelvara-layout\"");
    if (!doc.contains("version") || !doc["version"].is_number_integer() || doc["version"].get<long long>() != 1)
      fault("unsupported \"version\" (1 is known)");
    if (const auto m = doc.find("module"); m != doc.end()) {
      if (!m->is_string()) fault("\"module\" must be a text");
      loader.module = m->get<std::string>();
    }
    for (const auto& [k, v] : doc.items())
      if (k != "format" && k != "version" && k != "module" && k != "window")
        fault("unknown field \"" + k + "\"");
    const auto w = doc.find("window");
    if (w == doc.end()) fault("no \"window\"");
    try {
      figure = loader.build(*w, std::nullopt, "window");
      built = true;
    } catch (...) {
      if (!loader.created.empty() && ishandle(loader.created.front())) delete_object(loader.created.front());
      throw;
    }
  } catch (const LayoutFault& f) {
    throw RuntimeError(prefix + f.what);
  } catch (const nlohmann::json::exception& e) {
    throw RuntimeError(prefix + e.what());
  }
  if (built)
    for (Handle h : loader.created)
      if (ishandle(h)) fire_callback_from_event(h, "CreateFcn");
  return {figure, loader.saved};
}

LoadedLayout hgload(const std::filesystem::path& name, const Record& overrides) {
  const std::filesystem::path file = runtime::data_file(name);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RuntimeError("Cannot load layout '" + file.string() + "': the file cannot be read.");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw RuntimeError("Cannot load layout '" + file.string() + "': the file cannot be read.");
  return load_layout_text(text.str(), overrides, file.string());
}

}  // namespace quelvara::graphics
