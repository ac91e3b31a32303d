#include "support/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace quelvara::testing {

namespace {

// A copy of a program in a fresh folder under /tmp that every user may enter, removed with it.
class ReachableCopy {
 public:
  explicit ReachableCopy(const std::filesystem::path& program) {
    char pattern[] = "/tmp/quelvara-program-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    std::filesystem::permissions(folder_, std::filesystem::perms(0755));
    path_ = folder_ / program.filename();
    std::filesystem::copy_file(program, path_);
    std::filesystem::permissions(path_, std::filesystem::perms(0755));
  }
  ~ReachableCopy() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  ReachableCopy(const ReachableCopy&) = delete;
  ReachableCopy& operator=(const ReachableCopy&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
};

}  // namespace

ProgramResult run_program(const std::string& program_path, const std::vector<std::string>& args,
                          const std::string& input, const std::filesystem::path& working_directory,
                          const RunOptions& options) {
  const bool drops_privileges = options.unprivileged && geteuid() == 0;
  std::optional<ReachableCopy> copy;
  if (drops_privileges) copy.emplace(program_path);
  const std::string program = copy ? copy->path().string() : program_path;
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
  // With no reader left before the program starts, its first write to standard output fails.
  if (options.output_without_reader) {
    close(out[0]);
    out[0] = -1;
  }
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      if (fd >= 0) close(fd);
    for (const auto& [resource, limit] : options.limits) {
      const rlimit r{limit, limit};
      if (setrlimit(resource, &r) != 0) _exit(126);
    }
    for (const auto& setting : options.environment) putenv(const_cast<char*>(setting.c_str()));
    if (drops_privileges && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
    if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) {
      std::fprintf(stderr, "run_program: cannot enter %s: %s\n", working_directory.c_str(), std::strerror(errno));
      _exit(127);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  if (options.while_running) options.while_running(pid);

  ProgramResult result;
  std::size_t written = 0;
  if (input.empty()) close(in[1]);
  int in_fd = input.empty() ? -1 : in[1];
  if (in_fd >= 0) fcntl(in_fd, F_SETFL, O_NONBLOCK);
  bool out_open = out[0] >= 0, err_open = true;
  char buffer[65536];
  while (out_open || err_open) {
    pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0},
                     {err_open ? err[0] : -1, POLLIN, 0},
                     {in_fd, POLLOUT, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int k = 0; k < 2; ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[k].fd);
        (k == 0 ? out_open : err_open) = false;
      } else {
        (k == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
    if (in_fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = write(in_fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

}  // namespace quelvara::testing
