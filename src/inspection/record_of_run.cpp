#include "inspection/record_of_run.h"

#include <algorithm>
#include <cmath>

#include "prosody/planning.h"
#include "prosody/prosody_file.h"
#include "road/road.h"
#include "synthesis/text_reader.h"

namespace quelvara::inspection {

std::vector<std::size_t> mark_positions(std::span<const double> row) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < row.size(); ++i)
    if (row[i] != 0) out.push_back(i + 1);
  return out;
}

MarkPositions mark_positions(std::span<const prosody::Position> analysis,
                             std::span<const prosody::Position> synthesis) {
  return {{analysis.begin(), analysis.end()}, {synthesis.begin(), synthesis.end()}};
}

MarkPositions planned_marks(std::span<const double> pitch, std::span<const double> vzmto,
                            const road::Mode& mode, char pontuacao) {
  const prosody::MarkPlan plan = road::plan_in(prosody::marked_signal(pitch, vzmto), mode, pontuacao);
  return mark_positions(plan.analysis_marks, plan.synthesis_marks);
}

const char* mode_name(const road::Mode& mode) {
  struct Names {
    const char* operator()(const road::FactorMode&) const { return "Factor"; }
    const char* operator()(const road::ContourMode&) const { return "Gráfica"; }
    const char* operator()(const road::NaturalMode&) const { return "Natural"; }
    const char* operator()(const road::PhoMode&) const { return "Ficheiro .pho"; }
    const char* operator()(const road::TierMode&) const { return "Tiers do Praat"; }
  };
  return std::visit(Names{}, mode);
}

std::vector<PitchPoint> curve_points(const prosody::ProsodyTarget& target) {
  std::vector<PitchPoint> points;
  for (const prosody::CurvePoint& p : prosody::pitch_curve(target)) points.push_back({p.ms / 1000, p.hz});
  return points;
}

prosody::ProsodyTarget result_prosody(const Snapshot& s) {
  const auto rounded = [](double x, double per) { return std::round(x * per) / per; };
  const std::vector<Interval> phones = result_phone_intervals(s);
  const std::vector<std::string> names = synthesis::phones_of(s.difones);  // the labels without stress marks
  prosody::ProsodyTarget target;
  std::vector<double> starts;  // where each phone starts, then where the last one ends
  for (std::size_t k = 0; k < phones.size(); ++k) {
    target.phones.push_back({names[k], std::max(rounded(1000 * (phones[k].end - phones[k].start), 1000), 0.001),
                             k < s.acentos.size() ? s.acentos[k] : synthesis::Stress::none, {}});
    starts.push_back(phones[k].start);
  }
  if (phones.empty()) return target;
  starts.push_back(phones.back().end);
  const bool from_marks = s.result->planned_pitch.empty();
  for (PitchPoint point : planned_pitch(s)) {
    // A period's pitch stands for its middle, where the planner reads the curve.
    if (from_marks) point.time += 0.5 / point.hz;
    const auto [k, position] = prosody::place_in_phones(starts, point.time);
    const double hz = std::clamp(point.hz, prosody::lowest_hz, prosody::highest_hz);
    target.phones[k].pitch.push_back({rounded(position, 100), rounded(hz, 100)});
  }
  return target;
}

Snapshot snapshot_of(const road::RoadResult& run, const road::Mode& mode) {
  const auto& joined = run.analysis.joined;
  Snapshot s;
  s.orig = joined.orig;
  s.vzmto = joined.vzmto.row();
  for (std::size_t position : joined.pitch.positions) s.pitch_marks.push_back(position + 1);
  for (const auto& d : run.analysis.reading.diphones) s.difones.push_back(d.dif);
  s.limdf = joined.limdf;
  s.fronteiras = run.fronteiras;
  s.acentos = run.analysis.reading.stress;
  MarkPositions marks = mark_positions(run.analysis_marks, run.synthesis_marks);
  Resynthesis r;
  r.sinal = run.sinal;
  r.analysis_marks = std::move(marks.analysis);
  r.synthesis_marks = std::move(marks.synthesis);
  r.mode = mode_name(mode);
  if (const auto* f = std::get_if<road::FactorMode>(&mode)) r.factor = f->factor;
  r.pontuacao = run.analysis.reading.pontuacao;
  if (run.target) {
    r.planned_pitch = curve_points(run.target->target);
    for (double ms : prosody::phone_starts_ms(run.target->target)) r.planned_phones.push_back(ms / 1000);
  }
  s.result = std::move(r);
  return s;
}

}  // namespace quelvara::inspection
