#pragma once
// The worker pool of the database build: worker processes do their share of the jobs (build a
// unit, measure a phone), each job in a fresh donor child, and report to the parent one line per
// event.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quelvara::tools {

struct Job {
  std::size_t position = 0;  // in the list of jobs
  int fonum1 = 0;
  int fonum2 = 0;
};

// What one job gave: its result (a unit's index line, a measure), or why it failed; warnings
// either way. The result is one line of text.
struct JobReport {
  std::string result;
  std::vector<std::string> warnings;
  std::string failure;  // empty when the unit was built, checked and written
};

struct PoolOutcome {
  std::vector<std::optional<std::string>> results;  // by job position; empty for a failed job
  std::vector<std::string> warnings;
  std::vector<std::string> failures;  // each names its job and says why
  std::size_t done() const;
};

// Runs build(job) for every job, spread over `workers` processes (at least one), each job in a
// fresh donor child. A child that dies, a worker that stops before reporting all of its share
// and an answer that cannot be read are failures that name the jobs concerned. `name` names a
// job in messages; on_progress is called in the parent with the number of jobs done so far.
PoolOutcome run_worker_pool(const std::vector<Job>& jobs, int workers,
                            const std::function<JobReport(const Job&)>& build,
                            const std::function<std::string(const Job&)>& name,
                            const std::function<void(std::size_t)>& on_progress);

}  // namespace quelvara::tools
