#include "inspection/praat_export.h"

#include "wave/wavwrite.h"

namespace quelvara::inspection {

namespace {

PointTier point_tier(std::string name, const std::vector<std::size_t>& marks) {
  PointTier tier{std::move(name), {}};
  for (std::size_t m : marks) tier.points.push_back({seconds(static_cast<double>(m) - 1), 0});
  return tier;
}

}  // namespace

TextGrid joined_textgrid(const Snapshot& s) {
  TextGrid grid{0, seconds(static_cast<double>(s.orig.size())), {}};
  grid.tiers.emplace_back(IntervalTier{"difones", diphone_intervals(s)});
  grid.tiers.emplace_back(IntervalTier{"fones", phone_intervals(s)});
  grid.tiers.emplace_back(point_tier("marcas", s.pitch_marks));
  if (s.result) grid.tiers.emplace_back(point_tier("marcas_analise", s.result->analysis_marks));
  return grid;
}

TextGrid result_textgrid(const Snapshot& s) {
  TextGrid grid{0, seconds(static_cast<double>(s.result->sinal.size())), {}};
  grid.tiers.emplace_back(IntervalTier{"fones", result_phone_intervals(s)});
  grid.tiers.emplace_back(point_tier("marcas_sintese", s.result->synthesis_marks));
  return grid;
}

std::vector<std::filesystem::path> export_names(const std::filesystem::path& base, bool with_result) {
  std::string stem = base.string();
  if (const std::string ending = ".TextGrid"; stem.ends_with(ending)) stem.erase(stem.size() - ending.size());
  std::vector<std::filesystem::path> names;
  for (const char* signal : {"-orig", "-sinal"}) {
    if (signal == std::string_view("-sinal") && !with_result) break;
    for (const char* ending : {".wav", ".TextGrid", ".PitchTier"}) names.emplace_back(stem + signal + ending);
  }
  return names;
}

std::vector<std::filesystem::path> export_snapshot(const Snapshot& s, const std::filesystem::path& base,
                                                   const std::function<void(const std::string&)>& warn) {
  const auto names = export_names(base, s.result.has_value());
  constexpr int bits = 16;
  const double orig_end = seconds(static_cast<double>(s.orig.size()));
  wave::wavwrite(wave::SampleMatrix::row(s.orig), sample_rate, bits, names[0].string(), warn);
  write_text_file(textgrid_text(joined_textgrid(s)), names[1]);
  write_text_file(pitch_tier_text(joined_pitch(s), 0, orig_end), names[2]);
  if (s.result) {
    const double end = seconds(static_cast<double>(s.result->sinal.size()));
    wave::wavwrite(wave::SampleMatrix::row(s.result->sinal), sample_rate, bits, names[3].string(), warn);
    write_text_file(textgrid_text(result_textgrid(s)), names[4]);
    write_text_file(pitch_tier_text(planned_pitch(s), 0, end), names[5]);
  }
  return names;
}

}  // namespace quelvara::inspection
