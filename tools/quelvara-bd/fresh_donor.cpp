#include "tools/quelvara-bd/fresh_donor.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace quelvara::tools {

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

ChildAnswer in_fresh_donor(const std::function<std::string()>& work) {
  int fds[2];
  if (::pipe(fds) != 0) return {{}, std::string("pipe falhou: ") + std::strerror(errno)};
  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return {{}, std::string("fork falhou: ") + std::strerror(error)};
  }
  if (child == 0) {
    ::close(fds[0]);
    const bool sent = write_all(fds[1], work());
    ::close(fds[1]);
    std::_Exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  ChildAnswer answer;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.text.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status))
    answer.failure = "o processo de construção morreu com o sinal " + std::to_string(WTERMSIG(status)) + " (" +
                     strsignal(WTERMSIG(status)) + ")";
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    answer.failure = "o processo de construção terminou com o estado " + std::to_string(WEXITSTATUS(status));
  return answer;
}

}  // namespace quelvara::tools
