#include "tools/quelvara-bd/worker_pool.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "tools/quelvara-bd/fresh_donor.h"

namespace quelvara::tools {
namespace {

// The line protocol from a worker: "ok <position> <index line>", "warn <position> <message>"
// and "fail <position> <message>", tab-separated, one per line.
std::string one_line(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string report_lines(const Job& job, const JobReport& report) {
  const std::string position = std::to_string(job.position);
  std::string lines;
  for (const auto& warning : report.warnings) lines += "warn\t" + position + '\t' + one_line(warning) + '\n';
  if (report.failure.empty())
    lines += "ok\t" + position + '\t' + one_line(report.result) + '\n';
  else
    lines += "fail\t" + position + '\t' + one_line(report.failure) + '\n';
  return lines;
}

// One worker: every job of its share in a fresh donor child; a child that dies is reported
// for its job and the worker goes on, so that one run names every failing unit.
[[noreturn]] void run_worker(const std::vector<Job>& share, const std::function<JobReport(const Job&)>& build,
                             int fd) {
  bool sent = true;
  for (const Job& job : share) {
    const auto answer = in_fresh_donor([&] { return report_lines(job, build(job)); });
    const std::string lines =
        answer.ok() ? answer.text : report_lines(job, JobReport{{}, {}, answer.failure});
    sent = write_all(fd, lines) && sent;
  }
  ::close(fd);
  std::_Exit(sent ? 0 : 1);
}

struct Reader {
  int fd = -1;
  std::string pending;
};

void read_line(const std::string& line, const std::vector<Job>& jobs,
               const std::function<std::string(const Job&)>& name, PoolOutcome& outcome,
               std::vector<bool>& reported) {
  const auto tab = line.find('\t');
  const auto tab2 = tab == std::string::npos ? std::string::npos : line.find('\t', tab + 1);
  const std::string kind = line.substr(0, tab);
  std::size_t position = jobs.size();
  if (tab2 != std::string::npos) {
    const std::string digits = line.substr(tab + 1, tab2 - tab - 1);
    const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digits.empty() && digits.size() < 10 && std::all_of(digits.begin(), digits.end(), is_digit))
      position = std::stoul(digits);
  }
  if (position >= jobs.size() || (kind != "ok" && kind != "warn" && kind != "fail")) {
    outcome.failures.push_back("resposta ilegível de um processo de construção: «" + line + "»");
    return;
  }
  const std::string payload = line.substr(tab2 + 1);
  const Job& job = jobs[position];
  if (kind == "warn") {
    outcome.warnings.push_back(payload);
  } else if (kind == "fail") {
    outcome.failures.push_back(name(job) + ": " + payload);
    reported[position] = true;
  } else {
    outcome.results[position] = payload;
    reported[position] = true;
  }
}

}  // namespace

std::size_t PoolOutcome::done() const {
  return static_cast<std::size_t>(
      std::count_if(results.begin(), results.end(), [](const auto& result) { return result.has_value(); }));
}

PoolOutcome run_worker_pool(const std::vector<Job>& jobs, int workers,
                            const std::function<JobReport(const Job&)>& build,
                            const std::function<std::string(const Job&)>& name,
                            const std::function<void(std::size_t)>& on_progress) {
  PoolOutcome outcome;
  outcome.results.resize(jobs.size());
  std::vector<bool> reported(jobs.size(), false);
  workers = std::clamp(workers, 1, std::max(1, static_cast<int>(jobs.size())));

  std::vector<pid_t> children;
  std::vector<Reader> readers;
  for (int w = 0; w < workers; ++w) {
    std::vector<Job> share;
    for (std::size_t k = static_cast<std::size_t>(w); k < jobs.size(); k += static_cast<std::size_t>(workers))
      share.push_back(jobs[k]);
    int fds[2];
    if (::pipe(fds) != 0) {
      outcome.failures.push_back(std::string("pipe falhou: ") + std::strerror(errno));
      break;
    }
    const pid_t child = ::fork();
    if (child < 0) {
      outcome.failures.push_back(std::string("fork falhou: ") + std::strerror(errno));
      ::close(fds[0]);
      ::close(fds[1]);
      break;
    }
    if (child == 0) {
      ::close(fds[0]);
      for (const auto& r : readers) ::close(r.fd);
      run_worker(share, build, fds[1]);
    }
    ::close(fds[1]);
    children.push_back(child);
    readers.push_back({fds[0], {}});
  }

  std::size_t open_pipes = readers.size();
  while (open_pipes > 0) {
    std::vector<pollfd> polled;
    for (const auto& r : readers) polled.push_back({r.fd, POLLIN, 0});
    if (::poll(polled.data(), polled.size(), -1) < 0) {
      if (errno == EINTR) continue;
      outcome.failures.push_back(std::string("poll falhou: ") + std::strerror(errno));
      break;
    }
    for (std::size_t p = 0; p < readers.size(); ++p) {
      Reader& reader = readers[p];
      if (reader.fd < 0 || !(polled[p].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[8192];
      const ssize_t n = ::read(reader.fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(reader.fd);
        reader.fd = -1;
        --open_pipes;
        continue;
      }
      reader.pending.append(chunk, static_cast<std::size_t>(n));
      for (std::size_t eol; (eol = reader.pending.find('\n')) != std::string::npos;) {
        read_line(reader.pending.substr(0, eol), jobs, name, outcome, reported);
        reader.pending.erase(0, eol + 1);
      }
      on_progress(outcome.done());
    }
  }
  for (auto& reader : readers)
    if (reader.fd >= 0) ::close(reader.fd);
  for (pid_t child : children) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
      outcome.failures.push_back("um processo de construção morreu com o sinal " + std::to_string(WTERMSIG(status)) +
                                 " (" + strsignal(WTERMSIG(status)) + ")");
  }
  for (std::size_t k = 0; k < jobs.size(); ++k)
    if (!reported[k]) outcome.failures.push_back(name(jobs[k]) + ": por fazer (o processo de construção terminou antes)");
  return outcome;
}

}  // namespace quelvara::tools
