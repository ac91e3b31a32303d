#pragma once
// The literal values of a module (texts, numbers, number rows, the phone inventory) as values
// built once, before the entry point runs, and released by the module's stop function.
#include <functional>
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace quelvara::runtime {

class ModuleConstants {
 public:
  // Builds the values now and files them under the module's name.
  ModuleConstants(std::string module, const std::function<Record()>& build);
  ~ModuleConstants();
  ModuleConstants(const ModuleConstants&) = delete;
  ModuleConstants& operator=(const ModuleConstants&) = delete;

  const std::string& module() const { return module_; }
  // Throws RuntimeError once released or for a name the module does not hold.
  const Value& get(std::string_view name) const;
  bool released() const { return released_; }
  void release();

 private:
  std::string module_;
  Record values_;
  bool released_ = false;
};

// Releases the constants filed under the module's name; false when there are none.
bool release_module_constants(std::string_view module);
// The constants filed under a name, or nullptr.
const ModuleConstants* module_constants(std::string_view module);

}  // namespace quelvara::runtime
