#include "windows/prosody_editing.h"

#include <stdexcept>

#include "inspection/record_of_run.h"
#include "inspection/textgrid.h"
#include "prosody/pho_file.h"
#include "prosody/praat_tiers.h"
#include "road/phone_layout.h"
#include "windows/analysis_record.h"
#include "windows/intonation_run.h"
#include "windows/module_support.h"

namespace quelvara::windows {

namespace {

// A curve read off every period (Factor, Gráfica) keeps the points it turns at, within this.
constexpr double simplified_within_semitones = 0.5;

road::PhoneLayout phones_of(const Value& handles) {
  auto layout = phone_layout_of_record(handles);
  if (!layout) throw std::runtime_error("O texto analisado não tem fones que se possam editar.");
  return std::move(*layout);
}

// The target a prosody file asks for, on the phones of the text and over the target now in use.
std::variant<prosody::ProsodyTarget, prosody::FileProblem> target_of_file(const std::string& text,
                                                                          const road::PhoneLayout& layout,
                                                                          prosody::ProsodyTarget now) {
  if (const auto object_class = prosody::praat_object_class(text)) {
    const auto kind = *object_class == "DurationTier" ? prosody::TierKind::duration : prosody::TierKind::pitch;
    auto read = prosody::read_tier(text, kind);
    if (const auto* problem = std::get_if<prosody::FileProblem>(&read)) return *problem;
    const prosody::Tier& tier = std::get<prosody::Tier>(read);
    const bool pitch = kind == prosody::TierKind::pitch;
    const prosody::ProsodyTarget asked =
        prosody::target_from_tiers(layout.phones, layout.length, pitch ? &tier : nullptr, pitch ? nullptr : &tier);
    for (std::size_t k = 0; k < now.phones.size() && k < asked.phones.size(); ++k) {
      if (pitch) now.phones[k].pitch = asked.phones[k].pitch;
      else now.phones[k].length_ms = asked.phones[k].length_ms;
    }
    return now;
  }
  std::vector<std::size_t> lines;
  auto read = prosody::read_pho(text, &lines);
  if (const auto* problem = std::get_if<prosody::FileProblem>(&read)) return *problem;
  auto target = std::get<prosody::ProsodyTarget>(std::move(read));
  const std::size_t count = std::min(target.phones.size(), layout.phones.size());
  for (std::size_t k = 0; k < count; ++k) {
    if (target.phones[k].phone != layout.phones[k].phone)
      return prosody::FileProblem{lines[k], "o fone " + prosody::quoted(target.phones[k].phone) + " não é o do texto analisado (" +
                                                prosody::quoted(layout.phones[k].phone) + ")"};
    target.phones[k].stress = layout.phones[k].stress;
  }
  if (target.phones.size() != layout.phones.size())
    return prosody::FileProblem{count < lines.size() ? lines[count] : lines.back(),
                                "o ficheiro tem " + std::to_string(target.phones.size()) +
                                    " fones e o texto analisado tem " + std::to_string(layout.phones.size())};
  return target;
}

}  // namespace

void ProsodyEditing::follow(const Value& handles) {
  const auto run = current_run(handles);
  if (run && run == run_) return;
  run_ = run;
  plan_.reset();
  history_ = prosody::EditHistory();
  plan_sinal_ = run ? field(handles, "sinal") : Value();
  plan_run_ = run ? field(handles, "entoacao") : Value();
}

const ProsodyEditing::Plan& ProsodyEditing::plan(const Value& handles) {
  if (plan_) return *plan_;
  // Read from the mode's own result, whatever state the record is in now.
  Value at_plan = handles;
  at_plan.record().set("sinal", plan_sinal_);
  at_plan.record().set("entoacao", plan_run_);
  const auto snapshot = snapshot_of_record(at_plan);
  if (!snapshot || !snapshot->result) throw std::runtime_error("O resultado do texto não se pode ler.");
  Plan plan;
  if (snapshot->result->mode == inspection::mode_name(road::NaturalMode{})) {
    // The target itself, as the run planned it, rather than the one read off its result.
    plan.saved = road::target_in(road::NaturalMode{}, phones_of(at_plan), snapshot->result->pontuacao);
  } else {
    plan.saved = inspection::result_prosody(*snapshot);
  }
  plan.edited = snapshot->result->planned_pitch.empty()
                    ? prosody::with_simplified_pitch(plan.saved, simplified_within_semitones)
                    : plan.saved;
  plan_ = std::move(plan);
  return *plan_;
}

const prosody::ProsodyTarget& ProsodyEditing::current(const Value& handles) {
  return history_.current() ? *history_.current() : plan(handles).edited;
}

std::optional<EditableProsody> ProsodyEditing::shown(const Value& handles) {
  follow(handles);
  if (!run_) return std::nullopt;
  const prosody::ProsodyTarget& target = current(handles);
  EditableProsody prosody{inspection::curve_points(target), {}};
  const std::vector<double> starts = prosody::phone_starts_ms(target);
  for (std::size_t k = 0; k < target.phones.size(); ++k)
    prosody.phones.push_back({starts[k] / 1000, starts[k + 1] / 1000, synthesis::stressed_label(target.phones[k].phone, target.phones[k].stress)});
  return prosody;
}

void ProsodyEditing::run_state(Value& handles, const std::optional<prosody::ProsodyTarget>& state) {
  if (state) {
    run_intonation(handles, road::PhoMode{*state}, edited_prosody_name);
  } else {
    handles.record().set("sinal", plan_sinal_);
    handles.record().set("entoacao", plan_run_);
  }
  run_ = current_run(handles);
}

bool ProsodyEditing::apply(Value& handles, const ProsodyEdit& edit) {
  const auto shown_run = run_;
  follow(handles);
  if (!run_ || run_ != shown_run) return false;  // a new result since: the edit was of another picture
  using Kind = ProsodyEdit::Kind;
  if (edit.kind == Kind::undo || edit.kind == Kind::redo) {
    const bool undo = edit.kind == Kind::undo;
    if (!(undo ? history_.undo() : history_.redo())) return false;
    try {
      run_state(handles, history_.current());
    } catch (...) {
      undo ? history_.redo() : history_.undo();
      throw;
    }
    return true;
  }
  const prosody::ProsodyTarget& now = current(handles);
  std::optional<prosody::ProsodyTarget> edited;
  switch (edit.kind) {
    case Kind::move_point:
      edited = prosody::with_point_moved(now, edit.index, edit.hz);
      break;
    case Kind::add_point:
      edited = prosody::with_point_added(now, edit.seconds * 1000, edit.hz);
      break;
    case Kind::remove_point:
      edited = prosody::with_point_removed(now, edit.index);
      break;
    case Kind::move_phone_end:
      edited = prosody::with_phone_end_moved(now, edit.index, edit.seconds * 1000);
      break;
    default:
      break;
  }
  if (!edited) return false;
  run_state(handles, edited);
  history_.push(std::move(edited));
  return true;
}

bool ProsodyEditing::reset(Value& handles) {
  follow(handles);
  if (!run_ || !edited()) return false;
  run_state(handles, std::nullopt);
  history_.push(std::nullopt);
  return true;
}

std::string ProsodyEditing::open(Value& handles, const std::filesystem::path& file) {
  const std::string name = file.string();
  follow(handles);
  if (!run_) return "Escolha primeiro a entoação: a prosódia de um ficheiro aplica-se ao resultado do texto.";
  const auto text = prosody::read_prosody_file(file);
  if (!text) return name + ": não foi possível abrir o ficheiro";
  if (const auto* problem = std::get_if<prosody::FileProblem>(&*text)) return prosody::problem_text(name, *problem);
  const auto asked = target_of_file(std::get<std::string>(*text), phones_of(handles), current(handles));
  if (const auto* problem = std::get_if<prosody::FileProblem>(&asked)) return prosody::problem_text(name, *problem);
  const auto& target = std::get<prosody::ProsodyTarget>(asked);
  run_state(handles, target);
  history_.push(target);
  return {};
}

std::vector<std::filesystem::path> ProsodyEditing::save(const Value& handles, const std::filesystem::path& file) {
  follow(handles);
  if (!run_) throw std::runtime_error("Não há resultado deste texto: escolha primeiro a entoação.");
  const prosody::ProsodyTarget& target = history_.current() ? *history_.current() : plan(handles).saved;
  const std::string extension = extension_in_lower_case(file);
  if (extension != ".pitchtier" && extension != ".durationtier") {
    const Value& run = field(handles, "entoacao");
    const std::string heading = "Quelvara, " + field(run, "modo").text() + ": " + field(run, "texto").text();
    inspection::write_text_file(prosody::pho_text(target, heading), file);
    return {file};
  }
  const road::PhoneLayout layout = phones_of(handles);
  const auto tiers = prosody::tiers_of_target(layout.phones, layout.length, target);
  if (const auto* phone = std::get_if<std::size_t>(&tiers)) {
    throw std::runtime_error("O fone " + std::to_string(*phone + 1) + " (" + prosody::quoted(target.phones[*phone].phone) +
                             ") dura mais de " + prosody::shortest_text(prosody::largest_duration_factor) +
                             " vezes o que dura no sinal concatenado, o que um DurationTier não diz: guarde a prosódia "
                             "num ficheiro .pho.");
  }
  const auto& [pitch, duration] = std::get<prosody::TargetTiers>(tiers);
  std::filesystem::path base = file;
  std::vector<std::filesystem::path> written;
  if (!pitch.points.empty()) {
    written.push_back(base.replace_extension(".PitchTier"));
    inspection::write_text_file(prosody::tier_text(pitch, prosody::TierKind::pitch), written.back());
  }
  written.push_back(base.replace_extension(".DurationTier"));
  inspection::write_text_file(prosody::tier_text(duration, prosody::TierKind::duration), written.back());
  return written;
}

}  // namespace quelvara::windows
