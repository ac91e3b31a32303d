#include "inspection/record_of_run.h"

#include "prosody/planning.h"
#include "road/road.h"

namespace quelvara::inspection {
namespace {

std::vector<std::size_t> as_positions(const std::vector<prosody::Position>& marks) {
  return {marks.begin(), marks.end()};
}

// The plan of mode on the marks and voiced runs of a signal, as positions.
MarkPositions planned_marks(const prosody::MarkedSignal& signal, const road::Mode& mode, char pontuacao) {
  const prosody::MarkPlan plan = std::holds_alternative<road::FactorMode>(mode)
                                     ? prosody::plan_factor(signal, std::get<road::FactorMode>(mode).factor)
                                     : prosody::plan_contour(signal, pontuacao);
  return {as_positions(plan.analysis_marks), as_positions(plan.synthesis_marks)};
}

}  // namespace

std::vector<std::size_t> mark_positions(std::span<const double> row) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < row.size(); ++i)
    if (row[i] != 0) out.push_back(i + 1);
  return out;
}

MarkPositions planned_marks(std::span<const double> pitch, std::span<const double> vzmto,
                            const road::Mode& mode, char pontuacao) {
  return planned_marks(prosody::marked_signal(pitch, vzmto), mode, pontuacao);
}

const char* mode_name(const road::Mode& mode) {
  return std::holds_alternative<road::FactorMode>(mode) ? "Factor" : "Gráfica";
}

Snapshot snapshot_of(const synthesis::Analysis& analysis, const road::Mode& mode, std::vector<double> sinal) {
  const auto& joined = analysis.joined;
  // The compact rows give the marks and voiced runs directly; only vzmto is shown whole.
  const prosody::MarkedSignal signal = road::marked_signal(joined);
  Snapshot s;
  s.orig = joined.orig;
  s.vzmto = joined.vzmto.row();
  s.pitch_marks = as_positions(signal.marks);
  for (const auto& d : analysis.reading.diphones) s.difones.push_back(d.dif);
  s.limdf = joined.limdf;
  const char pontuacao = analysis.reading.pontuacao;
  MarkPositions marks = planned_marks(signal, mode, pontuacao);
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
