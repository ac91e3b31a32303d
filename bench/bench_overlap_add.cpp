// Throughput of the overlap-add resynthesis in output samples per second, on ten seconds of a
// voiced signal with periods around 170 samples raised by a factor of 1.3.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "prosody/bartlett.h"
#include "prosody/planning.h"
#include "prosody/resynthesis.h"

namespace {

struct Speech {
  std::vector<double> orig, pitch, vzmto;
};

Speech ten_seconds() {
  constexpr std::size_t size = 10 * 22050;
  Speech speech{std::vector<double>(size), std::vector<double>(size, 0.0), std::vector<double>(size, 5.0)};
  for (std::size_t i = 0; i < size; ++i) speech.orig[i] = 0.5 * std::sin(0.037 * i) + 0.2 * std::sin(0.29 * i);
  // Periods of 160 to 180 samples; a short unvoiced stretch every 4000 samples or so.
  std::size_t period = 0;
  for (std::size_t mark = 40; mark < size; mark += 160 + period++ % 21) speech.pitch[mark] = 1.0;
  for (std::size_t start = 3000; start + 300 < size; start += 4000) {
    for (std::size_t j = start; j < start + 300; ++j) speech.vzmto[j] = 1.0;
  }
  return speech;
}

void BM_OverlapAdd(benchmark::State& state) {
  const Speech speech = ten_seconds();
  const quelvara::prosody::Plan plan = quelvara::prosody::plan_factor(speech.pitch, speech.vzmto, 1.3);
  std::size_t produced = 0;
  for (auto _ : state) {
    quelvara::prosody::Resynthesis result =
        quelvara::prosody::resynthesize(speech.orig, plan.analysis_marks, plan.synthesis_marks);
    benchmark::DoNotOptimize(result.sinal.data());
    produced += result.sinal.size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(produced));
}
BENCHMARK(BM_OverlapAdd)->Unit(benchmark::kMillisecond);

void BM_PlanAndOverlapAdd(benchmark::State& state) {
  const Speech speech = ten_seconds();
  std::size_t produced = 0;
  for (auto _ : state) {
    const quelvara::prosody::Plan plan = quelvara::prosody::plan_factor(speech.pitch, speech.vzmto, 1.3);
    quelvara::prosody::Resynthesis result =
        quelvara::prosody::resynthesize(speech.orig, plan.analysis_marks, plan.synthesis_marks);
    benchmark::DoNotOptimize(result.sinal.data());
    produced += result.sinal.size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(produced));
}
BENCHMARK(BM_PlanAndOverlapAdd)->Unit(benchmark::kMillisecond);

// The window builder itself, in window samples per second, at the lengths the resynthesis uses.
void BM_Bartlett(benchmark::State& state) {
  const double length = static_cast<double>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(quelvara::prosody::bartlett(length).data());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Bartlett)->Arg(340);

}  // namespace
