#include "tools/quelvara-bd/database_builder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "runtime/mat_file.h"
#include "synthesis/phones.h"
#include "synthesis/unit_database.h"
#include "tools/quelvara-bd/donor.h"
#include "tools/quelvara-bd/unit_checks.h"
#include "tools/quelvara-bd/worker_pool.h"

namespace fs = std::filesystem;

namespace quelvara::tools {
namespace {

// From donor units to the files' range: the steady parts keep the donor's reference levels
// scaled so that the loudest unit stays well under full scale.
constexpr double output_scale = 0.6;
// Below this, the waveform does not repeat on the marks' grid.
constexpr double lowest_coherence = 0.5;

using Clock = std::chrono::steady_clock;

std::string symbol(int fonum) { return std::string(synthesis::fonemas[static_cast<std::size_t>(fonum - 1)]); }

std::string unit_name(int fonum1, int fonum2) {
  return "«" + symbol(fonum1) + symbol(fonum2) + "» (" + symbol(fonum1) + " + " + symbol(fonum2) + ", " +
         synthesis::unit_path(fonum1, fonum2).generic_string() + ")";
}

// Numbers as text with every bit kept, so that the parent uses what the child measured.
std::string exact(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The numbers of a child's answer; nullopt when it holds anything else.
std::optional<std::vector<double>> numbers_in(const std::string& text) {
  std::vector<double> values;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(value)) return std::nullopt;
    values.push_back(value);
  }
  return values;
}

// Builds, checks and writes one unit.
JobReport build_one(const Job& job, const PhoneTable& table, const LevelTargets& targets, const fs::path& out) {
  JobReport report;
  auto built = build_unit(table, job.fonum1, job.fonum2, &targets);
  if (auto* error = std::get_if<std::string>(&built)) {
    report.failure = *error;
    return report;
  }
  const auto& unit = std::get<BuiltUnit>(built);
  report.failure = check_unit(unit.data, donor_period());
  if (report.failure.empty() && !runtime::write_unit_file(out / synthesis::unit_path(job.fonum1, job.fonum2), unit.data))
    report.failure = "não foi possível escrever o ficheiro";
  if (!report.failure.empty()) return report;
  if (unit.grid_coherence && *unit.grid_coherence < lowest_coherence)
    report.warnings.push_back("as marcas de " + unit_name(job.fonum1, job.fonum2) +
                              " não seguem a forma de onda (correlação entre períodos " +
                              std::to_string(*unit.grid_coherence) + ")");
  report.result = index_line(job.fonum1, job.fonum2, unit);
  return report;
}

void draw_progress(std::ostream& messages, std::size_t done, std::size_t total, Clock::time_point started) {
  constexpr std::size_t width = 40;
  const std::size_t filled = total ? done * width / total : width;
  const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  const double left = done ? elapsed * static_cast<double>(total - done) / static_cast<double>(done) : 0;
  messages << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << '/'
           << total << " unidades, faltam " << static_cast<long>(std::ceil(left)) << " s  " << std::flush;
}

}  // namespace

std::variant<LevelTargets, std::vector<std::string>> measure_level_targets(const PhoneTable& table, int workers) {
  std::vector<Job> phones;
  for (int fonum = 1; fonum <= static_cast<int>(table.size()); ++fonum)
    phones.push_back({phones.size(), fonum, fonum});
  // One measure per phone; its answer is a line of numbers.
  const auto measure = [&](const char* what, const std::function<std::vector<double>(int)>& numbers,
                           std::vector<std::string>& failures) {
    std::vector<std::vector<double>> measured(phones.size());
    const auto outcome = run_worker_pool(
        phones, workers,
        [&](const Job& job) {
          std::string text;
          for (double x : numbers(job.fonum1)) text += exact(x) + ' ';
          return JobReport{text, {}, {}};
        },
        [&](const Job& job) { return std::string(what) + " de «" + symbol(job.fonum1) + "»"; },
        [](std::size_t) {});
    failures.insert(failures.end(), outcome.failures.begin(), outcome.failures.end());
    for (const auto& job : phones) {
      if (!outcome.results[job.position]) continue;
      const auto values = numbers_in(*outcome.results[job.position]);
      if (values)
        measured[job.position] = *values;
      else
        failures.push_back(std::string(what) + " de «" + symbol(job.fonum1) + "»: resposta ilegível «" +
                           *outcome.results[job.position] + "»");
    }
    return measured;
  };

  LevelTargets targets;
  targets.scale = output_scale;
  std::vector<std::string> failures;
  const auto levels = measure(
      "nível de referência",
      [&](int fonum) {
        const auto rms = reference_level(table, fonum);
        return rms ? std::vector<double>{*rms} : std::vector<double>{};
      },
      failures);
  for (std::size_t k = 0; k < levels.size(); ++k) {
    if (levels[k].size() > 1) failures.push_back("nível de referência de «" + symbol(static_cast<int>(k) + 1) + "»: mais de um valor");
    if (levels[k].size() == 1) targets.rms[k] = levels[k].front();
  }
  if (!failures.empty()) return failures;
  const auto periods = measure(
      "período de referência", [&](int fonum) { return reference_period(table, fonum, targets); }, failures);
  if (!failures.empty()) return failures;
  for (std::size_t k = 0; k < periods.size(); ++k) targets.edge_period[k] = periods[k];
  return targets;
}

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
  auto measured = measure_level_targets(table, options.jobs);
  if (const auto* failures = std::get_if<std::vector<std::string>>(&measured)) {
    for (const auto& failure : *failures) messages << "quelvara-bd: " << failure << '\n';
    messages << "quelvara-bd: não foi possível medir os níveis de referência\n";
    return 1;
  }
  const LevelTargets& targets = std::get<LevelTargets>(measured);

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
  IndexLines index = options.only.empty() ? IndexLines{} : read_index(index_file);
  fs::remove(index_file, error);

  messages << std::flush;
  const auto outcome = run_worker_pool(
      jobs, options.jobs, [&](const Job& job) { return build_one(job, table, targets, options.out); },
      [](const Job& job) { return "unidade " + unit_name(job.fonum1, job.fonum2); },
      [&](std::size_t done) {
        if (options.progress) draw_progress(messages, done, jobs.size(), started);
      });
  if (options.progress) messages << '\n';
  for (const auto& warning : outcome.warnings) messages << "quelvara-bd: aviso: " << warning << '\n';
  if (!outcome.failures.empty()) {
    for (const auto& failure : outcome.failures) messages << "quelvara-bd: " << failure << '\n';
    messages << "quelvara-bd: base de dados incompleta (" << outcome.done() << " de " << jobs.size()
             << " unidades)\n";
    return 1;
  }
  for (const auto& job : jobs) index[{job.fonum1, job.fonum2}] = *outcome.results[job.position];
  if (!write_index(index_file, index)) {
    messages << "quelvara-bd: não foi possível escrever " << index_file.string() << '\n';
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  char summary[160];
  std::snprintf(summary, sizeof summary, "quelvara-bd: %zu unidades em %s (%.1f s, %zu avisos)\n", jobs.size(),
                (options.out / "bd").string().c_str(), seconds, outcome.warnings.size());
  messages << summary;
  return 0;
}

}  // namespace quelvara::tools
