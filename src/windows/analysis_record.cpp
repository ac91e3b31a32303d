#include "windows/analysis_record.h"

#include <cmath>

namespace quelvara::windows {

namespace {

using runtime::Value;

const Value* find(const Value& record, std::string_view name) {
  if (!record.is_record() || !record.record().has(name)) return nullptr;
  return &record.record().get(name);
}

std::optional<std::vector<double>> numbers(const Value* v) {
  if (!v || !v->is_array() || v->is_text()) return std::nullopt;
  return v->array().data();
}

// Whole positive numbers only: positions and lengths.
std::optional<std::vector<std::size_t>> counts(const Value* v) {
  const auto x = numbers(v);
  if (!x) return std::nullopt;
  std::vector<std::size_t> out;
  for (double d : *x) {
    if (!(d >= 0) || d != std::floor(d) || d > 1e12) return std::nullopt;
    out.push_back(static_cast<std::size_t>(d));
  }
  return out;
}

std::optional<std::vector<std::string>> texts(const Value* v) {
  if (!v || !v->is_cell()) return std::nullopt;
  std::vector<std::string> out;
  for (const Value& item : v->cell().items) {
    if (!item.is_text()) return std::nullopt;
    out.push_back(item.text());
  }
  return out;
}

Value text_cell(const std::vector<std::string>& items) {
  runtime::Cell cell;
  for (const auto& item : items) cell.items.emplace_back(item);
  return Value(std::move(cell));
}

Value count_row(const std::vector<std::size_t>& items) {
  return Value(runtime::Array::row(std::vector<double>(items.begin(), items.end())));
}

}  // namespace

void add_analysis_fields(runtime::Record& record, const synthesis::Analysis& analysis) {
  std::vector<std::string> difones;
  for (const auto& d : analysis.reading.diphones) difones.push_back(d.dif);
  record.set("difones", text_cell(difones));
  record.set("limdf", count_row(analysis.joined.limdf));
}

void add_intonation_fields(runtime::Record& record, const inspection::MarkPositions& marks,
                           const road::Mode& mode, char pontuacao) {
  runtime::Record run;
  run.set("marcas_analise", count_row(marks.analysis));
  run.set("marcas_sintese", count_row(marks.synthesis));
  run.set("modo", Value(inspection::mode_name(mode)));
  const auto* factor = std::get_if<road::FactorMode>(&mode);
  run.set("factor", factor ? Value(factor->factor) : Value());
  run.set("difones", record.has("difones") ? record.get("difones") : Value(runtime::Cell{}));
  run.set("pontuacao", Value(std::string(1, pontuacao)));
  record.set("entoacao", Value(std::move(run)));
}

std::optional<inspection::Snapshot> snapshot_of_record(const Value& handles) {
  if (const Value* click = find(handles, "click"); !click || !click->is_text("on")) return std::nullopt;
  inspection::Snapshot s;
  auto orig = numbers(find(handles, "orig"));
  auto vzmto = numbers(find(handles, "vzmto"));
  auto pitch = numbers(find(handles, "pitch"));
  auto difones = texts(find(handles, "difones"));
  auto limdf = counts(find(handles, "limdf"));
  if (!orig || !vzmto || !pitch || !difones || !limdf) return std::nullopt;
  s.orig = std::move(*orig);
  s.vzmto = std::move(*vzmto);
  s.pitch_marks = inspection::mark_positions(*pitch);
  s.difones = std::move(*difones);
  s.limdf = std::move(*limdf);

  const Value* run = find(handles, "entoacao");
  auto sinal = numbers(find(handles, "sinal"));
  if (run && sinal && texts(find(*run, "difones")) == s.difones) {
    inspection::Resynthesis r;
    auto analysis_marks = counts(find(*run, "marcas_analise"));
    auto synthesis_marks = counts(find(*run, "marcas_sintese"));
    const Value* modo = find(*run, "modo");
    const Value* factor = find(*run, "factor");
    const Value* pontuacao = find(*run, "pontuacao");
    if (analysis_marks && synthesis_marks && modo && modo->is_text() && pontuacao && pontuacao->is_text()) {
      r.sinal = std::move(*sinal);
      r.analysis_marks = std::move(*analysis_marks);
      r.synthesis_marks = std::move(*synthesis_marks);
      r.mode = modo->text();
      if (factor && factor->is_number()) r.factor = factor->number();
      const std::string p = pontuacao->text();
      r.pontuacao = p.empty() ? '.' : p[0];
      s.result = std::move(r);
    }
  }
  if (inspection::inconsistency(s)) {
    if (!s.result) return std::nullopt;
    s.result.reset();  // a result that does not fit is left out, the text still shown
    if (inspection::inconsistency(s)) return std::nullopt;
  }
  return s;
}

}  // namespace quelvara::windows
