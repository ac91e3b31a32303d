#include "runtime/function_registry.h"

#include <map>
#include <memory>
#include <mutex>

#include "runtime/by_name.h"
#include "runtime/error.h"

namespace quelvara::runtime {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<NamedFunction> registered;
  std::map<std::string, std::shared_ptr<const Function>, std::less<>> bodies;
};

Registry& registry() {
  static Registry r;
  return r;
}

const NamedFunction* find_registered(const Registry& r, std::string_view name) {
  for (const auto& f : r.registered)
    if (f.name == name) return &f;
  return nullptr;
}

}  // namespace

void register_functions(std::span<const NamedFunction> functions) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.registered.assign(functions.begin(), functions.end());
}

void unregister_functions() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.registered.clear();
}

bool is_registered(std::string_view name) { return registered_function(name) != nullptr; }

const NamedFunction* registered_function(std::string_view name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  return find_registered(r, name);
}

void define_function(std::string_view qualified_name, Function body) {
  auto& r = registry();
  auto shared = std::make_shared<const Function>(std::move(body));
  std::lock_guard lock(r.mutex);
  r.bodies.insert_or_assign(std::string(qualified_name), std::move(shared));
}

void define_function_if_absent(std::string_view qualified_name, Function body) {
  auto& r = registry();
  auto shared = std::make_shared<const Function>(std::move(body));
  std::lock_guard lock(r.mutex);
  r.bodies.try_emplace(std::string(qualified_name), std::move(shared));
}

void undefine_function(std::string_view qualified_name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (auto it = r.bodies.find(qualified_name); it != r.bodies.end()) r.bodies.erase(it);
}

bool has_body(std::string_view qualified_name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  return r.bodies.find(qualified_name) != r.bodies.end();
}

std::vector<Value> call_by_name(std::string_view qualified_name, int nargout, std::vector<Value> args) {
  // The entry's checks come first: a surplus call gets its message whether or not the body
  // is there.
  if (const EntryCheck* check = find_entry_check(qualified_name)) check_counts(*check, nargout, args.size());
  std::shared_ptr<const Function> body;
  bool registered = false;
  {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.bodies.find(qualified_name); it != r.bodies.end()) body = it->second;
    registered = find_registered(r, qualified_name) != nullptr;
  }
  const std::string name(qualified_name);
  if (!body && registered) throw RuntimeError("The function \"" + name + "\" is not available.");
  if (!body) throw RuntimeError("Undefined function \"" + name + "\".");
  // The lock is not held during the call: a body may call other functions by name, or replace
  // bodies; the shared pointer keeps the running one alive.
  return call_through_entry(entry_check(qualified_name), nargout, std::move(args), *body);
}

std::vector<Value> call_module_function(std::string_view module, std::string_view function,
                                        int nargout, std::vector<Value> args) {
  return call_by_name(std::string(module) + "/" + std::string(function), nargout, std::move(args));
}

std::vector<std::string> module_functions(std::string_view module) {
  const std::string prefix = std::string(module) + "/";
  std::vector<std::string> out;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.bodies.lower_bound(prefix); it != r.bodies.end() && it->first.starts_with(prefix); ++it) {
    const std::string rest = it->first.substr(prefix.size());
    // Functions of the module itself, not of a folder below it ("audio/private/...").
    if (rest.find('/') == std::string::npos) out.push_back(rest);
  }
  return out;
}

FunctionRef function_reference(std::string_view qualified_name) {
  std::string name(qualified_name);
  auto call = std::make_shared<const Function>([name](int nargout, std::vector<Value> args) {
    return call_by_name(name, nargout, std::move(args));
  });
  return FunctionRef{std::move(name), std::move(call)};
}

}  // namespace quelvara::runtime
