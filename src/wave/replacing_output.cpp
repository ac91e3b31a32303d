#include "wave/replacing_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <utility>

namespace quelvara::wave {

namespace {

namespace fs = std::filesystem;

std::error_code last_error() { return {errno, std::generic_category()}; }

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

  output.descriptor_ = create_temporary(output.target_, output.temporary_);
  if (output.descriptor_ < 0) {
    const int error = errno;
    // A writable file in a folder that forbids new entries can still be written in place.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
      output.descriptor_ = open_directly(output.target_);
      if (output.descriptor_ < 0) ec = last_error();
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
      replaces_(other.replaces_) {
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
  }
  return *this;
}

ReplacingOutput::~ReplacingOutput() { discard(); }

void ReplacingOutput::discard() noexcept {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
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
  }
  return ec;
}

}  // namespace quelvara::wave
