#include "inspection/record_of_run.h"

#include "prosody/planning.h"

namespace quelvara::inspection {

std::vector<std::size_t> mark_positions(std::span<const double> row) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < row.size(); ++i)
    if (row[i] != 0) out.push_back(i + 1);
  return out;
}

MarkPositions planned_marks(std::span<const double> pitch, std::span<const double> vzmto,
                            const road::Mode& mode, char pontuacao) {
  const prosody::Plan plan = std::holds_alternative<road::FactorMode>(mode)
                                 ? prosody::plan_factor(pitch, vzmto, std::get<road::FactorMode>(mode).factor)
                                 : prosody::plan_contour(pitch, vzmto, pontuacao);
  return {mark_positions(plan.analysis_marks), mark_positions(plan.synthesis_marks)};
}

const char* mode_name(const road::Mode& mode) {
  return std::holds_alternative<road::FactorMode>(mode) ? "Factor" : "Gráfica";
}

Snapshot snapshot_of(const synthesis::Analysis& analysis, const road::Mode& mode, std::vector<double> sinal) {
  const auto& joined = analysis.joined;
  Snapshot s;
  s.orig = joined.orig;
  s.vzmto = joined.vzmto.row();
  const std::vector<double> pitch = joined.pitch.row();
  s.pitch_marks = mark_positions(pitch);
  for (const auto& d : analysis.reading.diphones) s.difones.push_back(d.dif);
  s.limdf = joined.limdf;
  const char pontuacao = analysis.reading.pontuacao;
  MarkPositions marks = planned_marks(pitch, s.vzmto, mode, pontuacao);
  Resynthesis r;
  r.sinal = std::move(sinal);
  r.analysis_marks = std::move(marks.analysis);
  r.synthesis_marks = std::move(marks.synthesis);
  r.mode = mode_name(mode);
  if (const auto* f = std::get_if<road::FactorMode>(&mode)) r.factor = f->factor;
  r.pontuacao = pontuacao;
  s.result = std::move(r);
  return s;
}

}  // namespace quelvara::inspection
