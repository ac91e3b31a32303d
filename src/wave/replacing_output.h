#pragma once
// An output file that takes the place of its target only once it is complete, so that a write
// that fails half-way leaves an existing file as it was.
#include <filesystem>
#include <system_error>

namespace quelvara::wave {

// The category of the refusal to replace an existing file whose folder allows no new file; its
// codes are the operating system's reasons.
const std::error_category& replacement_category();

class ReplacingOutput {
 public:
  // Opens target for writing. A symbolic link is followed to the file it names. A regular file,
  // or a name that does not exist yet, is written as a temporary file in the same folder; any
  // other existing object (a device, a FIFO) is written directly. A regular file that may not
  // be written keeps its refusal (ec set), even when its folder would allow a replacement; an
  // existing file whose folder allows no new file is refused too (ec in a category of its own
  // whose message says why), as writing it in place could destroy it. On failure ec is set and
  // the result is not open.
  static ReplacingOutput open(const std::filesystem::path& target, std::error_code& ec);

  ReplacingOutput() = default;
  ReplacingOutput(ReplacingOutput&& other) noexcept;
  ReplacingOutput& operator=(ReplacingOutput&& other) noexcept;
  ReplacingOutput(const ReplacingOutput&) = delete;
  ReplacingOutput& operator=(const ReplacingOutput&) = delete;
  // An output that was not finished is closed; its temporary file is removed.
  ~ReplacingOutput();

  bool is_open() const { return descriptor_ >= 0; }
  int descriptor() const { return descriptor_; }
  // True when the target itself is being written (no temporary file).
  bool writes_directly() const { return temporary_.empty(); }

  // Closes the file and puts it in place of the target, making its data durable first when it
  // replaces an existing file.
  // On failure the temporary file is removed and the target is left as it was.
  std::error_code finish();

 private:
  void discard() noexcept;

  int descriptor_ = -1;
  std::filesystem::path temporary_;
  std::filesystem::path target_;
  bool replaces_ = false;  // a temporary file that will take an existing file's place
  int slot_ = -1;          // where the temporary file is remembered for a signal
};

// Removes the temporary file of every output not yet finished. Safe in a signal handler, so
// that a program ended by a signal leaves no temporary file behind.
void remove_unfinished_temporaries() noexcept;

}  // namespace quelvara::wave
