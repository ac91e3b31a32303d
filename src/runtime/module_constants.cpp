#include "runtime/module_constants.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "runtime/error.h"

namespace quelvara::runtime {

namespace {

struct Filed {
  std::mutex mutex;
  std::vector<ModuleConstants*> all;
};

Filed& filed() {
  static Filed f;
  return f;
}

}  // namespace

ModuleConstants::ModuleConstants(std::string module, const std::function<Record()>& build)
    : module_(std::move(module)), values_(build ? build() : Record{}) {
  auto& f = filed();
  std::lock_guard lock(f.mutex);
  f.all.push_back(this);
}

ModuleConstants::~ModuleConstants() {
  auto& f = filed();
  std::lock_guard lock(f.mutex);
  f.all.erase(std::remove(f.all.begin(), f.all.end(), this), f.all.end());
}

const Value& ModuleConstants::get(std::string_view name) const {
  if (released_) throw RuntimeError("The constants of " + module_ + " have been released.");
  if (!values_.has(name))
    throw RuntimeError("The module " + module_ + " has no constant " + std::string(name) + ".");
  return values_.get(name);
}

void ModuleConstants::release() {
  values_ = Record{};
  released_ = true;
}

bool release_module_constants(std::string_view module) {
  auto& f = filed();
  std::lock_guard lock(f.mutex);
  bool any = false;
  for (auto* c : f.all)
    if (c->module() == module) {
      c->release();
      any = true;
    }
  return any;
}

const ModuleConstants* module_constants(std::string_view module) {
  auto& f = filed();
  std::lock_guard lock(f.mutex);
  for (auto* c : f.all)
    if (c->module() == module) return c;
  return nullptr;
}

}  // namespace quelvara::runtime
