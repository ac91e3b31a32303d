#include "tools/quelvara-bd/worker_pool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "tools/quelvara-bd/fresh_donor.h"

namespace quelvara::tools {
namespace {

std::vector<Job> jobs_for(int count) {
  std::vector<Job> jobs;
  for (int k = 0; k < count; ++k) jobs.push_back({static_cast<std::size_t>(k), k + 2, 25});
  return jobs;
}

std::string name(const Job& job) { return "«unidade " + std::to_string(job.fonum1) + "»"; }

bool mentions(const std::vector<std::string>& lines, const std::string& a, const std::string& b) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find(a) != std::string::npos && line.find(b) != std::string::npos;
  });
}

TEST(FreshDonor, GivesTheAnswerOrSaysWhyThereIsNone) {
  const auto fine = in_fresh_donor([] { return std::string("12.5 3\n"); });
  EXPECT_TRUE(fine.ok());
  EXPECT_EQ(fine.text, "12.5 3\n");
  const auto exited = in_fresh_donor([]() -> std::string { std::_Exit(3); });
  EXPECT_FALSE(exited.ok());
  EXPECT_NE(exited.failure.find('3'), std::string::npos) << exited.failure;
  const auto killed = in_fresh_donor([]() -> std::string {
    ::kill(::getpid(), SIGKILL);
    return "never";
  });
  EXPECT_FALSE(killed.ok());
  EXPECT_NE(killed.failure.find("sinal 9"), std::string::npos) << killed.failure;
}

TEST(WorkerPool, CollectsEveryUnitByItsPosition) {
  const auto jobs = jobs_for(7);
  std::size_t last_progress = 0;
  const auto outcome = run_worker_pool(
      jobs, 3,
      [](const Job& job) {
        JobReport report;
        report.result = "linha\t" + std::to_string(job.fonum1);
        if (job.position == 4) report.warnings.push_back("aviso da unidade 6\ncom duas linhas");
        return report;
      },
      name, [&](std::size_t done) { last_progress = done; });
  EXPECT_TRUE(outcome.failures.empty());
  ASSERT_EQ(outcome.results.size(), 7u);
  for (const auto& job : jobs) EXPECT_EQ(outcome.results[job.position], "linha\t" + std::to_string(job.fonum1));
  EXPECT_EQ(outcome.done(), 7u);
  EXPECT_EQ(last_progress, 7u);
  ASSERT_EQ(outcome.warnings.size(), 1u);
  EXPECT_EQ(outcome.warnings[0], "aviso da unidade 6 com duas linhas");
}

TEST(WorkerPool, NamesEveryUnitThatFailsAndWhy) {
  const auto jobs = jobs_for(6);
  const auto outcome = run_worker_pool(
      jobs, 2,
      [](const Job& job) {
        if (job.position == 1) return JobReport{{}, {}, "corte vazio"};
        if (job.position == 4) ::kill(::getpid(), SIGKILL);  // the unit's child dies
        return JobReport{"linha", {}, {}};
      },
      name, [](std::size_t) {});
  EXPECT_EQ(outcome.failures.size(), 2u);
  EXPECT_TRUE(mentions(outcome.failures, "«unidade 3»", "corte vazio"));
  EXPECT_TRUE(mentions(outcome.failures, "«unidade 6»", "sinal 9"));
  EXPECT_EQ(outcome.done(), 4u);
  EXPECT_FALSE(outcome.results[1].has_value());
  EXPECT_FALSE(outcome.results[4].has_value());
  EXPECT_TRUE(outcome.results[5].has_value());
}

}  // namespace
}  // namespace quelvara::tools
