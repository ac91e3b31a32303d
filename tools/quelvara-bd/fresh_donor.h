#pragma once
// Donor work in a fresh child process. The donor carries state from one utterance to the next
// (its noise and the silence before the first phoneme change), so a unit would depend on which
// units were built before it in the same process. Each piece of donor work therefore runs in a
// child forked from a process that has not synthesised anything yet; its answer comes back as
// text.
#include <functional>
#include <string>

namespace quelvara::tools {

struct ChildAnswer {
  std::string text;     // what the work returned
  std::string failure;  // why there is no answer (in Portuguese); empty when the child finished
  bool ok() const { return failure.empty(); }
};

ChildAnswer in_fresh_donor(const std::function<std::string()>& work);

// Writes all of text to a descriptor, resuming after signals; false when the reader is gone.
bool write_all(int fd, const std::string& text);

}  // namespace quelvara::tools
