#include "runtime/by_name.h"

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "runtime/error.h"

namespace quelvara::runtime {

namespace {

std::string count_message(const EntryCheck& check, const char* what, int declared) {
  return "Run-time Error: File: " + check.qualified_name + " Line: " + std::to_string(check.line) +
         " Column: 1 The function \"" + check.qualified_name +
         "\" was called with more than the declared number of " + what + " (" +
         std::to_string(declared) + ").";
}

const std::map<std::string, const EntryCheck*, std::less<>>& checks_by_name() {
  static const auto index = [] {
    std::map<std::string, const EntryCheck*, std::less<>> m;
    for (const auto& check : entry_check_table()) m.emplace(check.qualified_name, &check);
    return m;
  }();
  return index;
}

// Names without a row get an unlimited check that still carries the name; map nodes never
// move, so the references handed out stay valid.
const EntryCheck& unchecked(std::string_view qualified_name) {
  static std::mutex mutex;
  static std::map<std::string, EntryCheck, std::less<>> made;
  std::lock_guard lock(mutex);
  auto it = made.find(qualified_name);
  if (it == made.end())
    it = made.emplace(std::string(qualified_name),
                      EntryCheck{std::string(qualified_name), 1, any_count, any_count})
             .first;
  return it->second;
}

}  // namespace

std::string outputs_message(const EntryCheck& check) {
  return count_message(check, "outputs", check.max_outputs);
}

std::string inputs_message(const EntryCheck& check) {
  return count_message(check, "inputs", check.max_inputs);
}

const EntryCheck* find_entry_check(std::string_view qualified_name) {
  const auto& index = checks_by_name();
  const auto it = index.find(qualified_name);
  return it == index.end() ? nullptr : it->second;
}

const EntryCheck& entry_check(std::string_view qualified_name) {
  if (const auto* check = find_entry_check(qualified_name)) return *check;
  return unchecked(qualified_name);
}

void check_counts(const EntryCheck& check, int nargout, std::size_t nargin) {
  if (limits(check.max_outputs) && nargout > check.max_outputs)
    throw RuntimeError(outputs_message(check));
  if (limits(check.max_inputs) && nargin > static_cast<std::size_t>(check.max_inputs))
    throw RuntimeError(inputs_message(check));
}

std::vector<Value> call_through_entry(const EntryCheck& check, int nargout, std::vector<Value> args,
                                      const Function& f) {
  check_counts(check, nargout, args.size());
  if (!f) throw RuntimeError("The function \"" + check.qualified_name + "\" has no body.");
  // Whatever escapes the function reaches the caller that used the name as an error of the
  // numeric runtime.
  try {
    return f(nargout, std::move(args));
  } catch (const RuntimeError&) {
    throw;
  } catch (const std::exception& e) {
    throw as_runtime_error(e);
  }
}

FunctionRef make_entry(std::string_view qualified_name, Function f) {
  const EntryCheck& check = entry_check(qualified_name);
  auto call = std::make_shared<const Function>(
      [&check, f = std::move(f)](int nargout, std::vector<Value> args) {
        return call_through_entry(check, nargout, std::move(args), f);
      });
  return FunctionRef{check.qualified_name, std::move(call)};
}

}  // namespace quelvara::runtime
