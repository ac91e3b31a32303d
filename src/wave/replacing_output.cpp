#include "wave/replacing_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace quelvara::wave {

namespace {

namespace fs = std::filesystem;

std::error_code last_error() { return {errno, std::generic_category()}; }

// Why an existing file is not replaced: its folder refuses the new file that a safe
// replacement is written to, and writing over the old file in place could destroy it.
class ReplacementCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "replacement"; }
  std::string message(int reason) const override {
    return "its folder does not allow the new file that would replace it safely: " +
           std::generic_category().message(reason);
  }
};

const ReplacementCategory replacement;

// The temporary files being written, for remove_unfinished_temporaries. A slot is claimed,
// filled, then marked ready; a signal handler only reads ready slots.
struct TemporarySlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};
  char path[4096] = {};
};
std::array<TemporarySlot, 16> temporaries;

int remember_temporary(const fs::path& path) {
  const std::string& name = path.native();
  for (std::size_t i = 0; i < temporaries.size(); ++i) {
    auto& slot = temporaries[i];
    bool expected = false;
    if (name.size() >= sizeof slot.path || !slot.claimed.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slot.path, name.c_str(), name.size() + 1);
    slot.ready.store(true);
    return static_cast<int>(i);
  }
  return -1;  // not remembered: only a signal would then leave it behind
}

void forget_temporary(int slot) {
  if (slot < 0) return;
  temporaries[static_cast<std::size_t>(slot)].ready.store(false);
  temporaries[static_cast<std::size_t>(slot)].claimed.store(false);
}

// Holds back the signals that end a program for as long as it lives, so that a temporary
// file is never created without being remembered.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// The file a chain of symbolic links ends at (the name itself when it is no link).
fs::path follow_links(fs::path path, std::error_code& ec) {
  constexpr int most_links = 40;
  for (int hop = 0; hop <= most_links; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    fs::path next = fs::read_symlink(path, ec);
    if (ec) return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  return path;
}

int open_directly(const fs::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Creates a fresh file beside target. Mode 0666 lets the umask and the folder's default
// permissions apply as they would to the target itself.
int create_temporary(const fs::path& target, fs::path& temporary) {
  // Keep the name short enough for any file system, however long the target's name is.
  std::string base = target.filename().string().substr(0, 100);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string suffix = std::to_string(random() % 100000000u);
    fs::path candidate = target.parent_path() / ("." + base + "." + suffix + ".tmp");
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      temporary = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST && errno != EINTR) return -1;
  }
  errno = EEXIST;
  return -1;
}

// A replacement keeps the replaced file's permissions and, where allowed, its owner.
void take_attributes(int fd, const struct stat& existing) {
  if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
    [[maybe_unused]] int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
  }
  ::fchmod(fd, existing.st_mode & 07777);
}

}  // namespace

const std::error_category& replacement_category() { return replacement; }

ReplacingOutput ReplacingOutput::open(const fs::path& target, std::error_code& ec) {
  ec.clear();
  ReplacingOutput output;
  output.target_ = follow_links(target, ec);
  if (ec) return output;

  struct stat existing {};
  const bool exists = ::stat(output.target_.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) {
    ec = last_error();
    return output;
  }
  if (exists && !S_ISREG(existing.st_mode)) {
    output.descriptor_ = open_directly(output.target_);
    if (output.descriptor_ < 0) ec = last_error();
    return output;
  }
  if (exists) {
    // Only a file that may be written may be replaced: opening it without truncation tests
    // exactly that and changes nothing.
    int probe = ::open(output.target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) {
      ec = last_error();
      return output;
    }
    ::close(probe);
  }

  {
    SignalsHeld held;
    output.descriptor_ = create_temporary(output.target_, output.temporary_);
    if (output.descriptor_ >= 0) output.slot_ = remember_temporary(output.temporary_);
  }
  if (output.descriptor_ < 0) {
    const int error = errno;
    // Writing the old file in place would destroy it if the write failed half-way.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
      ec = {error, replacement_category()};
      return output;
    }
    ec = {error, std::generic_category()};
    return output;
  }
  if (exists) take_attributes(output.descriptor_, existing);
  output.replaces_ = exists;
  return output;
}

ReplacingOutput::ReplacingOutput(ReplacingOutput&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      replaces_(other.replaces_),
      slot_(std::exchange(other.slot_, -1)) {
  other.temporary_.clear();
}

ReplacingOutput& ReplacingOutput::operator=(ReplacingOutput&& other) noexcept {
  if (this != &other) {
    discard();
    descriptor_ = std::exchange(other.descriptor_, -1);
    temporary_ = std::move(other.temporary_);
    other.temporary_.clear();
    target_ = std::move(other.target_);
    replaces_ = other.replaces_;
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

ReplacingOutput::~ReplacingOutput() { discard(); }

void ReplacingOutput::discard() noexcept {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  forget_temporary(std::exchange(slot_, -1));
}

std::error_code ReplacingOutput::finish() {
  if (descriptor_ < 0) return std::make_error_code(std::errc::bad_file_descriptor);
  std::error_code ec;
  // When a file is replaced, a crash soon after the rename could otherwise leave an empty file
  // in the old one's place, so its data are made durable first. A new file risks nothing of
  // the user's and is not synced: batch work writes many of them, and a sync costs tens of
  // milliseconds. A device written directly needs none.
  if (replaces_ && ::fsync(descriptor_) != 0) ec = last_error();
  // A close that fails after the data was handed over (for instance on a network file
  // system) means the data may not be there.
  if (::close(std::exchange(descriptor_, -1)) != 0 && !ec && errno != EINTR) ec = last_error();
  if (!ec && !writes_directly() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    ec = last_error();
  }
  if (ec) {
    discard();
  } else {
    temporary_.clear();
    forget_temporary(std::exchange(slot_, -1));
  }
  return ec;
}

void remove_unfinished_temporaries() noexcept {
  for (auto& slot : temporaries)
    if (slot.ready.load()) ::unlink(slot.path);
}

}  // namespace quelvara::wave
