// The whole road for a text of about 100 diphones: load the units (warm disk cache), join,
// smooth, plan, resynthesise and write the WAVE file. Units are synthetic voiced pulse trains
// of 100 ms with marks every 170 samples, so the figure does not depend on a built database.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "prosody/planning.h"
#include "prosody/resynthesis.h"
#include "prosody/target_planning.h"
#include "road/road.h"
#include "runtime/mat_file.h"
#include "synthesis/text_reader.h"
#include "synthesis/unit_database.h"
#include "wave/wavwrite.h"

namespace fs = std::filesystem;
using namespace quelvara;

namespace {

constexpr std::size_t unit_length = 2205;
constexpr std::size_t period = 170;

synthesis::UnitData voiced_unit(unsigned seed) {
  synthesis::UnitData u;
  u.dfn.resize(unit_length);
  u.trm.assign(unit_length, 0.0);
  u.vzmt.assign(unit_length, 3.0);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jitter(-0.01, 0.01);
  for (std::size_t k = 0; k < unit_length; ++k) {
    const double phase = static_cast<double>(k % period) / period;
    u.dfn[k] = 0.4 * std::sin(2 * M_PI * phase) * std::exp(-3 * phase) + jitter(rng);
    if (k % period == 0) u.trm[k] = 1.0;
  }
  return u;
}

// "_" then 50 consonant-vowel syllables then "_": 101 diphones.
std::string long_text() {
  const char* consonants[] = {"p", "t", "k", "m", "l", "s", "v", "R", "n", "f"};
  const char* vowels[] = {"a", "i", "u", "E", "o"};
  std::string text = "_";
  for (int k = 0; k < 50; ++k) text += std::string(consonants[k % 10]) + vowels[(k / 2) % 5];
  return text + "_.";
}

struct Fixture {
  fs::path root;
  std::string text = long_text();
  Fixture() {
    root = fs::temp_directory_path() / ("quelvara-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "bd" / "oclus");
    const auto reading = synthesis::read_text(text);
    std::set<std::pair<int, int>> written;
    for (const auto& d : reading->diphones) {
      const auto pair = std::make_pair(*d.fonum1, *d.fonum2);
      if (written.insert(pair).second)
        runtime::write_unit_file(root / synthesis::unit_path(pair.first, pair.second),
                                 voiced_unit(pair.first * 100 + pair.second));
    }
  }
  ~Fixture() { fs::remove_all(root); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_WholeRoad(benchmark::State& state, road::Mode mode) {
  auto& f = fixture();
  const std::string out = (f.root / "out.wav").string();
  std::size_t samples = 0;
  for (auto _ : state) {
    const auto result = road::run_road(f.text, mode, runtime::read_unit_file, f.root, runtime::unit_file_length);
    wave::wavwrite(wave::SampleView::row(result.sinal), 22050, 16, out);
    samples = result.sinal.size();
    benchmark::DoNotOptimize(samples);
    fs::remove(out);  // each run writes a new file, as a batch of texts does
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * samples));
  state.counters["diphones"] = static_cast<double>(synthesis::read_text(f.text)->diphones.size());
  state.counters["audio_s"] = static_cast<double>(samples) / 22050.0;
  state.counters["x_real_time"] = benchmark::Counter(
      static_cast<double>(state.iterations() * samples) / 22050.0, benchmark::Counter::kIsRate);
}

// The same road on the default database built beside the program, when it is there: a text of
// about 100 diphones through many phones.
void BM_WholeRoadBuiltDatabase(benchmark::State& state) {
  const fs::path root = QUELVARA_APP_DIR;
  if (!fs::exists(root / "bd-index.txt")) {
    state.SkipWithError("no built database");
    return;
  }
  const std::string text =
      "_6fraz6kOmprid6pur6tEStar_u~j6~wfiSaLinJ6ReZ6l~bOjdEwgaw_vozmiSmu~jtu_kidiSpe~6jaj_6sidad@lizbo6p6~wOjtu~m6~j6bEl6_.";
  const std::string out = (fs::temp_directory_path() / "quelvara-bench-built.wav").string();
  std::size_t samples = 0;
  for (auto _ : state) {
    const auto result = road::run_road(text, road::FactorMode{1.3}, runtime::read_unit_file, root,
                                       runtime::unit_file_length);
    if (result.sinal.empty()) {
      state.SkipWithError("the text did not synthesise");
      return;
    }
    wave::wavwrite(wave::SampleView::row(result.sinal), 22050, 16, out);
    samples = result.sinal.size();
    fs::remove(out);
  }
  state.counters["diphones"] = static_cast<double>(synthesis::read_text(text)->diphones.size());
  state.counters["audio_s"] = static_cast<double>(samples) / 22050.0;
  state.counters["x_real_time"] = benchmark::Counter(
      static_cast<double>(state.iterations() * samples) / 22050.0, benchmark::Counter::kIsRate);
}

// "Natural" against "Factor" 1, on the built database with its index, for the sentence of about
// 10 s below with its stress marks: the whole road as quelvara-synth runs it, writing included.
// A sentence of about 10 s with its stress marks.
const std::string stressed_sentence =
    "_uko~\"bojup6r6liZ\"bo6p6rti\"ud6St6s6~wpel6zojtu\"Or6Zd6m6\"J6~_iuS\"p6s6Z6jru\"zOLav6~wpel6Z6\"nEl6uRiu_"
    "uSk6~puZ\"verd@zi6S\"kaz6Zbr6~k6Zdal~\"d6j6_.";

void BM_NaturalAgainstFactorBuiltDatabase(benchmark::State& state, road::Mode mode) {
  const fs::path root = QUELVARA_APP_DIR;
  const auto index = synthesis::UnitIndex::read(root);
  if (!index) {
    state.SkipWithError("no built database");
    return;
  }
  const std::string& text = stressed_sentence;
  const std::string out = (fs::temp_directory_path() / "quelvara-bench-natural.wav").string();
  std::size_t samples = 0;
  for (auto _ : state) {
    const auto road = road::plan_road(text, mode, runtime::read_unit_file, root, runtime::unit_file_length, &*index);
    samples = road.length();
    wave::wavwrite(wave::MadeRow{samples, [&road](const wave::StretchSink& take) { road::make_signal(road, take); }},
                   22050, 16, out);
    fs::remove(out);
  }
  state.counters["audio_s"] = static_cast<double>(samples) / 22050.0;
}

// What a change of the prosody target costs on a sentence of about 10 s once its units are
// joined: planning the new target and the overlap-add, as an editor redraws after each edit.
void BM_ReplanNaturalTarget(benchmark::State& state) {
  const fs::path root = QUELVARA_APP_DIR;
  const auto index = synthesis::UnitIndex::read(root);
  if (!index) {
    state.SkipWithError("no built database");
    return;
  }
  const auto analysis = synthesis::analyse(stressed_sentence, runtime::read_unit_file, root);
  const auto& joined = analysis.joined;
  const auto layout =
      road::phone_layout(analysis.reading, joined.limdf, synthesis::unit_boundaries(analysis.reading, joined.limdf, &*index));
  const auto marks = road::marked_signal(joined);
  const prosody::ProsodyTarget target = road::target_in(road::NaturalMode{}, layout, analysis.reading.pontuacao);
  std::size_t samples = 0;
  for (auto _ : state) {
    const auto plan = prosody::plan_target(road::joined_phones(marks, layout, joined.vzmto), target);
    std::vector<double> sinal;
    sinal.reserve(plan.length);
    prosody::resynthesize_steps(joined.orig, plan.steps, plan.length,
                                [&](std::span<const double> s) { sinal.insert(sinal.end(), s.begin(), s.end()); });
    samples = sinal.size();
    benchmark::DoNotOptimize(sinal.data());
  }
  state.counters["audio_s"] = static_cast<double>(samples) / 22050.0;
}

// The road of quelvara-synth on the built database for a sentence of about 10 s, stage by stage:
// milliseconds per second of speech in all, and the share of each stage: analysis (loading the
// units, joining, smoothing), planning, overlap-add, writing the WAVE file.
void BM_RoadStagesBuiltDatabase(benchmark::State& state, road::Mode mode) {
  const fs::path root = QUELVARA_APP_DIR;
  if (!fs::exists(root / "bd-index.txt")) {
    state.SkipWithError("no built database");
    return;
  }
  const std::string text =
      "_uko~bojup6r6liZbo6p6rtiud6St6s6~wpel6zojtuOr6Zd6m6J6~_iuSp6s6Z6jruzOLav6~wpel6Z6nEl6uRiu_"
      "uSk6~puZverd@zi6Skaz6Zbr6~k6Zdal~d6j6_.";
  const std::string out = (fs::temp_directory_path() / "quelvara-bench-stages.wav").string();
  using Clock = std::chrono::steady_clock;
  double seconds[4] = {0, 0, 0, 0};
  std::size_t samples = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const auto analysis = synthesis::analyse(text, runtime::read_unit_file, root, runtime::unit_file_length);
    const auto t1 = Clock::now();
    if (analysis.status != synthesis::Analysis::Status::ok) {
      state.SkipWithError("the text did not synthesise");
      return;
    }
    const prosody::MarkedSignal marks = road::marked_signal(analysis.joined);
    const prosody::MarkPlan plan = std::holds_alternative<road::FactorMode>(mode)
                                       ? prosody::plan_factor(marks, std::get<road::FactorMode>(mode).factor)
                                       : prosody::plan_contour(marks, analysis.reading.pontuacao);
    const auto t2 = Clock::now();
    const auto resynthesis =
        prosody::resynthesize(analysis.joined.orig, plan.analysis_marks, plan.synthesis_marks, plan.synthesis_length);
    const auto t3 = Clock::now();
    wave::wavwrite(wave::SampleView::row(resynthesis.sinal), 22050, 16, out);
    const auto t4 = Clock::now();
    fs::remove(out);  // each run writes a new file, as quelvara-synth does
    seconds[0] += std::chrono::duration<double>(t1 - t0).count();
    seconds[1] += std::chrono::duration<double>(t2 - t1).count();
    seconds[2] += std::chrono::duration<double>(t3 - t2).count();
    seconds[3] += std::chrono::duration<double>(t4 - t3).count();
    samples = resynthesis.sinal.size();
  }
  const double total = seconds[0] + seconds[1] + seconds[2] + seconds[3];
  const double speech = static_cast<double>(state.iterations() * samples) / 22050.0;
  state.counters["audio_s"] = static_cast<double>(samples) / 22050.0;
  state.counters["ms_per_s"] = 1000.0 * total / speech;
  state.counters["analysis_%"] = 100.0 * seconds[0] / total;
  state.counters["planning_%"] = 100.0 * seconds[1] / total;
  state.counters["overlap_add_%"] = 100.0 * seconds[2] / total;
  state.counters["writing_%"] = 100.0 * seconds[3] / total;
}

// The rows grow by appending unit after unit: time per diphone should stay flat as texts grow.
void BM_AnalysisScaling(benchmark::State& state) {
  auto& f = fixture();
  std::string text = "_";
  const std::string body = f.text.substr(1, f.text.size() - 3);
  for (int k = 0; k < state.range(0); ++k) text += body;
  text += "_";
  std::size_t diphones = 0;
  for (auto _ : state) {
    const auto analysis = synthesis::analyse(text, runtime::read_unit_file, f.root);
    diphones = analysis.reading.diphones.size();
    benchmark::DoNotOptimize(analysis.joined.orig.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * diphones));
}

}  // namespace

BENCHMARK_CAPTURE(BM_WholeRoad, factor_1_3, road::Mode{road::FactorMode{1.3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRoad, grafica, road::Mode{road::ContourMode{}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRoadBuiltDatabase)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoadStagesBuiltDatabase, factor_1, road::Mode{road::FactorMode{1.0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoadStagesBuiltDatabase, grafica, road::Mode{road::ContourMode{}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NaturalAgainstFactorBuiltDatabase, factor_1, road::Mode{road::FactorMode{1.0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NaturalAgainstFactorBuiltDatabase, natural, road::Mode{road::NaturalMode{}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplanNaturalTarget)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalysisScaling)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
