#include "tools/quelvara-bd/database_builder.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "runtime/mat_file.h"
#include "synthesis/phones.h"
#include "synthesis/unit_database.h"
#include "tools/quelvara-bd/donor.h"
#include "tools/quelvara-bd/phone_table.h"
#include "tools/quelvara-bd/unit_builder.h"
#include "tools/quelvara-bd/unit_checks.h"

namespace fs = std::filesystem;

namespace quelvara::tools {
namespace {

// From donor units to the files' range: the steady parts keep the donor's reference levels
// scaled so that the loudest unit stays well under full scale.
constexpr double output_scale = 0.6;
// Below this, the waveform does not repeat on the marks' grid.
constexpr double lowest_coherence = 0.5;

using Clock = std::chrono::steady_clock;

struct Job {
  std::size_t position;  // in the list of pairs
  int fonum1;
  int fonum2;
};

std::string symbol(int fonum) { return std::string(synthesis::fonemas[static_cast<std::size_t>(fonum - 1)]); }

std::string pair_name(int fonum1, int fonum2) {
  return std::to_string(fonum1) + "-" + std::to_string(fonum2);
}

std::string unit_name(int fonum1, int fonum2) {
  return "«" + symbol(fonum1) + symbol(fonum2) + "» (" + symbol(fonum1) + " + " + symbol(fonum2) + ", " +
         synthesis::unit_path(fonum1, fonum2).generic_string() + ")";
}

std::string index_line(int fonum1, int fonum2, const BuiltUnit& unit) {
  std::ostringstream line;
  line << pair_name(fonum1, fonum2) << '\t' << symbol(fonum1) << ' ' << symbol(fonum2) << '\t'
       << synthesis::unit_path(fonum1, fonum2).generic_string() << '\t' << unit.data.dfn.size() << '\t'
       << unit.marks << '\t' << unit.begin << '\t' << unit.end << '\t'
       << (unit.carrier.empty() ? "-" : unit.carrier) << '\t';
  if (unit.grid_coherence) line << *unit.grid_coherence; else line << '-';
  double peak = 0;
  for (double x : unit.data.dfn) peak = std::max(peak, std::abs(x));
  line << '\t' << peak;
  return line.str();
}

bool marks_disagree(const BuiltUnit& unit) {
  return unit.grid_coherence && *unit.grid_coherence < lowest_coherence;
}

void write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// The donor carries state from one utterance to the next (its noise and the silence before the
// first phoneme change), so a unit would depend on which units were built before it in the
// same process. Each piece of donor work therefore runs in a child forked from a process that
// has not synthesised anything yet; the child's answer comes back as text.
template <typename Work>
std::string in_fresh_donor(Work work) {
  int fds[2];
  if (::pipe(fds) != 0) return "fail\tpipe falhou\n";
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return "fail\tfork falhou\n";
  }
  if (child == 0) {
    ::close(fds[0]);
    write_all(fds[1], work());
    ::close(fds[1]);
    std::_Exit(0);
  }
  ::close(fds[1]);
  std::string answer;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "fail\tprocesso de construção interrompido\n";
  return answer;
}

// Builds, checks and writes one unit; the report lines for the parent, as below.
std::string build_one(const Job& job, const PhoneTable& table, const LevelTargets& targets, const fs::path& out) {
  auto built = build_unit(table, job.fonum1, job.fonum2, &targets);
  std::string fault;
  if (auto* error = std::get_if<std::string>(&built)) {
    fault = *error;
  } else {
    const auto& unit = std::get<BuiltUnit>(built);
    fault = check_unit(unit.data, donor_period());
    if (fault.empty() && !runtime::write_unit_file(out / synthesis::unit_path(job.fonum1, job.fonum2), unit.data))
      fault = "não foi possível escrever o ficheiro";
    if (fault.empty()) {
      std::string report;
      if (marks_disagree(unit))
        report += "warn\t" + std::to_string(job.position) + "\tas marcas de " + unit_name(job.fonum1, job.fonum2) +
                  " não seguem a forma de onda (correlação entre períodos " +
                  std::to_string(*unit.grid_coherence) + ")\n";
      return report + "ok\t" + std::to_string(job.position) + '\t' + index_line(job.fonum1, job.fonum2, unit) + '\n';
    }
  }
  return "fail\tunidade " + unit_name(job.fonum1, job.fonum2) + ": " + fault + '\n';
}

// One worker: builds, checks and writes its share (all of it, so that one run names every
// failing unit), reporting one line per unit:
// "ok <position> <index line>", "warn <position> <message>" or "fail <message>".
[[noreturn]] void run_worker(const std::vector<Job>& jobs, const PhoneTable& table,
                             const LevelTargets& targets, const fs::path& out, int fd) {
  bool failed = false;
  for (const Job& job : jobs) {
    const std::string report = in_fresh_donor([&] { return build_one(job, table, targets, out); });
    failed = failed || report.rfind("fail", 0) == 0 || report.find("\nfail") != std::string::npos;
    write_all(fd, report);
  }
  ::close(fd);
  std::_Exit(failed ? 1 : 0);
}

void draw_progress(std::ostream& messages, std::size_t done, std::size_t total, Clock::time_point started) {
  constexpr std::size_t width = 40;
  const std::size_t filled = total ? done * width / total : width;
  const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  const double left = done ? elapsed * static_cast<double>(total - done) / static_cast<double>(done) : 0;
  messages << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << '/'
           << total << " unidades, faltam " << static_cast<long>(std::ceil(left)) << " s  " << std::flush;
}

// Index lines of an earlier build, by pair, so that rebuilding a few units keeps the rest.
std::map<std::pair<int, int>, std::string> read_index(const fs::path& file) {
  std::map<std::pair<int, int>, std::string> lines;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    int fonum1 = 0, fonum2 = 0;
    if (line.empty() || line[0] == '#' || std::sscanf(line.c_str(), "%d-%d", &fonum1, &fonum2) != 2) continue;
    lines[{fonum1, fonum2}] = line;
  }
  return lines;
}

bool write_index(const fs::path& file, const std::map<std::pair<int, int>, std::string>& lines) {
  const fs::path temporary = file.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "# par\tsímbolos\tficheiro\tamostras\tmarcas\tinício\tfim\tportador\tcoerência\tpico\n";
    for (const auto& [pair, line] : lines) out << line << '\n';
    if (!out.flush()) return false;
  }
  std::error_code error;
  fs::rename(temporary, file, error);
  return !error;
}

}  // namespace

std::vector<std::pair<int, int>> parse_pairs(const std::string& text) {
  std::vector<std::pair<int, int>> pairs;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const auto dash = item.find('-');
    const auto first = dash == std::string::npos ? std::nullopt : synthesis::phone_number(item.substr(0, dash));
    const auto second = dash == std::string::npos ? std::nullopt : synthesis::phone_number(item.substr(dash + 1));
    if (!first || !second) throw std::invalid_argument("par inválido «" + item + "» (escreva, por exemplo, p-a)");
    pairs.emplace_back(*first, *second);
  }
  if (pairs.empty()) throw std::invalid_argument("nenhum par indicado");
  return pairs;
}

int build_database(const BuildOptions& options, std::ostream& messages) {
  const auto started = Clock::now();
  PhoneTable table;
  try {
    table = read_phone_table(options.phone_table);
  } catch (const std::exception& e) {
    messages << "quelvara-bd: " << e.what() << '\n';
    return 1;
  }
  if (const auto error = open_donor(options.voice); !error.empty()) {
    messages << "quelvara-bd: " << error << '\n';
    return 1;
  }

  LevelTargets targets;
  targets.scale = output_scale;
  for (int fonum = 1; fonum <= static_cast<int>(table.size()); ++fonum) {
    const std::string level = in_fresh_donor([&]() -> std::string {
      const auto rms = reference_level(table, fonum);
      if (!rms) return "-";
      char text[64];
      std::snprintf(text, sizeof text, "%.17g", *rms);
      return text;
    });
    if (level != "-") targets.rms[static_cast<std::size_t>(fonum - 1)] = std::strtod(level.c_str(), nullptr);
  }
  for (int fonum = 1; fonum <= static_cast<int>(table.size()); ++fonum) {
    const std::string samples = in_fresh_donor([&]() -> std::string {
      std::string text;
      char value[64];
      for (double x : reference_period(table, fonum, targets)) {
        std::snprintf(value, sizeof value, "%.17g ", x);
        text += value;
      }
      return text;
    });
    std::istringstream in(samples);
    auto& period = targets.edge_period[static_cast<std::size_t>(fonum - 1)];
    for (double x; in >> x;) period.push_back(x);
  }

  std::vector<Job> jobs;
  if (options.only.empty()) {
    for (int a = 1; a <= static_cast<int>(table.size()); ++a)
      for (int b = 1; b <= static_cast<int>(table.size()); ++b) jobs.push_back({jobs.size(), a, b});
  } else {
    for (const auto& [a, b] : options.only) jobs.push_back({jobs.size(), a, b});
  }

  std::error_code error;
  fs::create_directories(options.out / "bd" / "oclus", error);
  if (error) {
    messages << "quelvara-bd: não foi possível criar " << (options.out / "bd").string() << '\n';
    return 1;
  }
  const fs::path index_file = options.out / index_name;
  // A stale index would tell the build that an unfinished database is complete.
  auto index = options.only.empty() ? std::map<std::pair<int, int>, std::string>{} : read_index(index_file);
  fs::remove(index_file, error);

  const int workers = std::clamp(options.jobs, 1, static_cast<int>(jobs.size()));
  std::vector<pid_t> children;
  std::vector<pollfd> pipes;
  messages << std::flush;
  for (int w = 0; w < workers; ++w) {
    std::vector<Job> share;
    for (std::size_t k = static_cast<std::size_t>(w); k < jobs.size(); k += static_cast<std::size_t>(workers))
      share.push_back(jobs[k]);
    int fds[2];
    if (::pipe(fds) != 0) {
      messages << "quelvara-bd: pipe falhou\n";
      return 1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
      messages << "quelvara-bd: fork falhou\n";
      return 1;
    }
    if (child == 0) {
      ::close(fds[0]);
      for (const auto& p : pipes) ::close(p.fd);
      run_worker(share, table, targets, options.out, fds[1]);
    }
    ::close(fds[1]);
    children.push_back(child);
    pipes.push_back({fds[0], POLLIN, 0});
  }

  std::vector<std::string> failures, warnings;
  std::vector<std::string> buffers(pipes.size());
  std::size_t done = 0;
  std::size_t open_pipes = pipes.size();
  const auto handle_line = [&](const std::string& line) {
    const auto tab = line.find('\t');
    const std::string kind = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (kind == "fail") {
      failures.push_back(rest);
      return;
    }
    const auto tab2 = rest.find('\t');
    const auto position = static_cast<std::size_t>(std::stoul(rest.substr(0, tab2)));
    const std::string payload = rest.substr(tab2 + 1);
    if (kind == "warn") {
      warnings.push_back(payload);
    } else if (kind == "ok" && position < jobs.size()) {
      index[{jobs[position].fonum1, jobs[position].fonum2}] = payload;
      ++done;
      if (options.progress) draw_progress(messages, done, jobs.size(), started);
    }
  };
  while (open_pipes > 0) {
    if (::poll(pipes.data(), pipes.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (std::size_t p = 0; p < pipes.size(); ++p) {
      if (pipes[p].fd < 0 || !(pipes[p].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[8192];
      const ssize_t n = ::read(pipes[p].fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(pipes[p].fd);
        pipes[p].fd = -1;
        --open_pipes;
        continue;
      }
      buffers[p].append(chunk, static_cast<std::size_t>(n));
      for (std::size_t eol; (eol = buffers[p].find('\n')) != std::string::npos;) {
        handle_line(buffers[p].substr(0, eol));
        buffers[p].erase(0, eol + 1);
      }
    }
  }
  bool children_ok = true;
  for (pid_t child : children) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    children_ok = children_ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  if (options.progress) messages << '\n';
  for (const auto& warning : warnings) messages << "quelvara-bd: aviso: " << warning << '\n';
  if (!failures.empty() || !children_ok || done != jobs.size()) {
    for (const auto& failure : failures) messages << "quelvara-bd: " << failure << '\n';
    if (failures.empty()) messages << "quelvara-bd: um processo de construção terminou sem concluir\n";
    messages << "quelvara-bd: base de dados incompleta (" << done << " de " << jobs.size() << " unidades)\n";
    return 1;
  }
  if (!write_index(index_file, index)) {
    messages << "quelvara-bd: não foi possível escrever " << index_file.string() << '\n';
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  char summary[160];
  std::snprintf(summary, sizeof summary, "quelvara-bd: %zu unidades em %s (%.1f s, %zu avisos)\n", done,
                (options.out / "bd").string().c_str(), seconds, warnings.size());
  messages << summary;
  return 0;
}

}  // namespace quelvara::tools
