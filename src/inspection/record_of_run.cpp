#include "inspection/record_of_run.h"

#include "prosody/planning.h"
#include "road/road.h"

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
  const prosody::MarkedSignal signal = prosody::marked_signal(pitch, vzmto);
  const prosody::MarkPlan plan = std::holds_alternative<road::FactorMode>(mode)
                                     ? prosody::plan_factor(signal, std::get<road::FactorMode>(mode).factor)
                                     : prosody::plan_contour(signal, pontuacao);
  return mark_positions(plan.analysis_marks, plan.synthesis_marks);
}

const char* mode_name(const road::Mode& mode) {
  return std::holds_alternative<road::FactorMode>(mode) ? "Factor" : "Gráfica";
}

Snapshot snapshot_of(const road::RoadResult& run, const road::Mode& mode) {
  const auto& joined = run.analysis.joined;
  Snapshot s;
  s.orig = joined.orig;
  s.vzmto = joined.vzmto.row();
  for (std::size_t position : joined.pitch.positions) s.pitch_marks.push_back(position + 1);
  for (const auto& d : run.analysis.reading.diphones) s.difones.push_back(d.dif);
  s.limdf = joined.limdf;
  MarkPositions marks = mark_positions(run.analysis_marks, run.synthesis_marks);
  Resynthesis r;
  r.sinal = run.sinal;
  r.analysis_marks = std::move(marks.analysis);
  r.synthesis_marks = std::move(marks.synthesis);
  r.mode = mode_name(mode);
  if (const auto* f = std::get_if<road::FactorMode>(&mode)) r.factor = f->factor;
  r.pontuacao = run.analysis.reading.pontuacao;
  s.result = std::move(r);
  return s;
}

}  // namespace quelvara::inspection
