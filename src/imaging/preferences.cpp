#include "imaging/preferences.h"

#include <map>

#include "runtime/argument_count.h"
#include "runtime/error.h"
#include "runtime/text_operations.h"

namespace quelvara::imaging {

using runtime::RuntimeError;
using runtime::Value;

namespace {

std::map<std::string, Value>& session_values() {
  static std::map<std::string, Value> values;
  return values;
}

// The canonical spelling of a preference name.
std::string canonical(const std::string& name) {
  const runtime::Record defaults = preference_defaults();
  for (const auto& known : defaults.names())
    if (runtime::lower(known) == runtime::lower(name)) return known;
  throw RuntimeError("Unknown preference \"" + name + "\".");
}

std::string name_argument(const std::vector<Value>& args) {
  if (args.empty()) throw RuntimeError(runtime::not_enough_inputs);
  if (!args[0].is_text()) throw RuntimeError("The preference name must be a text.");
  return args[0].text();
}

}  // namespace

runtime::Record preference_defaults() {
  runtime::Record r;
  r.set(imshow_truesize, Value("auto"));
  return r;
}

Value preference(const std::string& name) {
  const std::string key = canonical(name);
  const auto it = session_values().find(key);
  return it != session_values().end() ? it->second : preference_defaults().get(key);
}

void set_preference(const std::string& name, Value value) { session_values()[canonical(name)] = std::move(value); }

void reset_preferences() { session_values().clear(); }

std::vector<Value> qorprefs(int, std::vector<Value>) { return {Value(preference_defaults())}; }

std::vector<Value> qorregistry(int, std::vector<Value> args) {
  runtime::check_argument_count(1, 2, static_cast<int>(args.size()));
  const std::string name = name_argument(args);
  if (args.size() == 2) {
    set_preference(name, args[1]);
    return {};
  }
  const auto it = session_values().find(canonical(name));
  return {it != session_values().end() ? it->second : Value()};
}

std::vector<Value> qorgetpref(int, std::vector<Value> args) { return {preference(name_argument(args))}; }

}  // namespace quelvara::imaging
