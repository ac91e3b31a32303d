#pragma once
// The process-wide count of the numeric runtime's users. Each module owns one static
// RuntimeUser; the runtime comes up when the count leaves 0 and goes down when it returns to 0.
namespace quelvara::runtime {

class RuntimeUser {
 public:
  RuntimeUser();
  ~RuntimeUser();
  RuntimeUser(const RuntimeUser&) = delete;
  RuntimeUser& operator=(const RuntimeUser&) = delete;
};

int runtime_user_count();
bool runtime_is_up();
// How many times the runtime has come up in this process.
int runtime_start_count();

}  // namespace quelvara::runtime
