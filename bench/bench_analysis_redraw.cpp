// Redrawing the analysis picture of a 30 s text at full view, and after zooming in: the
// waveforms are drawn as the lowest and highest sample of each pixel column, so the cost grows
// with the picture's width, not the signal's length. The text is real, from the database the
// build makes; without it, a synthetic pulse train of the same length stands in.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <filesystem>
#include <memory>

#include "inspection/formants.h"
#include "inspection/record_of_run.h"
#include "inspection/spectrogram.h"
#include "road/road.h"
#include "runtime/mat_file.h"
#include "windows/qt/analysis_canvas.h"

using namespace quelvara;

namespace {

constexpr double seconds_wanted = 30;

std::shared_ptr<const inspection::Snapshot> thirty_seconds_real() {
  const std::filesystem::path app = QUELVARA_APP_DIR;
  if (!std::filesystem::exists(app / "bd-index.txt")) return nullptr;
  std::string texto = "_";
  for (int k = 0; k < 16; ++k) texto += "6fraz6kOmprid6pur6tEStar";
  texto += "_.";
  const road::Mode mode = road::FactorMode{0.9};
  auto road = road::run_road(texto, mode, runtime::read_unit_file, app);
  if (road.analysis.status != synthesis::Analysis::Status::ok) return nullptr;
  return std::make_shared<const inspection::Snapshot>(inspection::snapshot_of(road, mode));
}

std::shared_ptr<const inspection::Snapshot> thirty_seconds_synthetic() {
  const auto n = static_cast<std::size_t>(seconds_wanted * inspection::sample_rate);
  inspection::Snapshot s;
  s.orig.resize(n);
  s.vzmto.assign(n, 5);
  std::vector<double> pitch(n, 0);
  for (std::size_t k = 0; k < n; ++k) {
    const double phase = static_cast<double>(k % 170) / 170;
    s.orig[k] = 0.4 * std::sin(2 * M_PI * phase) * std::exp(-3 * phase);
    if (k % 170 == 0) pitch[k] = 1;
  }
  s.pitch_marks = inspection::mark_positions(pitch);
  for (std::size_t done = 0; done < n; done += 2205) {
    s.difones.push_back("pa");
    s.limdf.push_back(std::min<std::size_t>(2205, n - done));
  }
  const auto marks = inspection::planned_marks(pitch, s.vzmto, road::FactorMode{0.9}, '.');
  inspection::Resynthesis r;
  r.analysis_marks = marks.analysis;
  r.synthesis_marks = marks.synthesis;
  r.sinal.assign(marks.synthesis.back(), 0.1);
  r.mode = "Factor";
  r.factor = 0.9;
  s.result = r;
  return std::make_shared<const inspection::Snapshot>(std::move(s));
}

std::shared_ptr<const inspection::Snapshot> the_text() {
  static const auto snapshot = [] {
    auto s = thirty_seconds_real();
    return s ? s : thirty_seconds_synthetic();
  }();
  return snapshot;
}

// state.range(0): the picture's width; state.range(1): 1 for the whole text, else the
// seconds shown.
void redraw(benchmark::State& state) {
  windows::AnalysisCanvas canvas;
  canvas.resize(static_cast<int>(state.range(0)), 700);
  canvas.set_snapshot(the_text());
  if (state.range(1) > 1) canvas.set_view(10, 10 + static_cast<double>(state.range(1)) / 1000);
  QImage image(canvas.plot_size(), QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    canvas.paint(painter, image.size());
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["signal_s"] = static_cast<double>(the_text()->orig.size()) / inspection::sample_rate;
  state.counters["marks"] = static_cast<double>(the_text()->pitch_marks.size());
}
BENCHMARK(redraw)->Args({960, 1})->Args({1920, 1})->Args({960, 500})->Unit(benchmark::kMillisecond);

// What a new snapshot costs once, before any redraw: the spectrogram of the 30 s joined signal
// (state.range(0): 0 wideband, 1 narrowband) or (2) its formant tracks.
void analyse_spectra(benchmark::State& state) {
  const auto& x = the_text()->orig;
  for (auto _ : state) {
    if (state.range(0) == 2) {
      benchmark::DoNotOptimize(inspection::formant_tracks(x).size());
    } else {
      const auto settings = state.range(0) == 0 ? inspection::wideband_settings() : inspection::narrowband_settings();
      benchmark::DoNotOptimize(inspection::spectrogram(x, settings).level.data());
    }
  }
  state.counters["signal_s"] = static_cast<double>(x.size()) / inspection::sample_rate;
}
BENCHMARK(analyse_spectra)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);  // the fonts of the labels need one
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
