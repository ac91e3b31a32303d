#include "cli/prosody_input.h"

#include <iostream>

#include "inspection/record_of_run.h"
#include "inspection/textgrid.h"
#include "prosody/pho_file.h"

namespace quelvara::cli {
namespace {

std::string shown(const std::string& file) { return file == "-" ? "(entrada padrão)" : file; }

template <typename T, typename Parse>
std::optional<T> read_file(const std::string& file, Parse parse, const std::function<void(const std::string&)>& say) {
  std::optional<prosody::Read<std::string>> text;
  if (file == "-") text = prosody::read_prosody_text(std::cin);
  else text = prosody::read_prosody_file(file);
  if (!text) {
    say(file + ": não foi possível abrir o ficheiro");
    return std::nullopt;
  }
  prosody::Read<T> read = std::holds_alternative<std::string>(*text)
                              ? parse(std::get<std::string>(*text))
                              : prosody::Read<T>(std::get<prosody::FileProblem>(*text));
  if (const auto* problem = std::get_if<prosody::FileProblem>(&read)) {
    say(prosody::problem_text(shown(file), *problem));
    return std::nullopt;
  }
  return std::get<T>(std::move(read));
}

std::optional<prosody::Tier> read_tier(const std::optional<std::string>& file, prosody::TierKind kind, bool& failed,
                                       const std::function<void(const std::string&)>& say) {
  if (!file || failed) return std::nullopt;
  auto tier = read_file<prosody::Tier>(*file, [kind](const std::string& text) { return prosody::read_tier(text, kind); }, say);
  failed = !tier;
  return tier;
}

}  // namespace

std::optional<road::Mode> prosody_mode(const ProsodyFiles& files, const std::function<void(const std::string&)>& say) {
  if (files.pho) {
    auto target = read_file<prosody::ProsodyTarget>(
        *files.pho, [](const std::string& text) { return prosody::read_pho(text); }, say);
    if (!target) return std::nullopt;
    return road::Mode(road::PhoMode{std::move(*target)});
  }
  bool failed = false;
  road::TierMode tiers;
  tiers.pitch = read_tier(files.pitch_tier, prosody::TierKind::pitch, failed, say);
  tiers.duration = read_tier(files.duration_tier, prosody::TierKind::duration, failed, say);
  if (failed) return std::nullopt;
  return road::Mode(std::move(tiers));
}

void write_prosody(const road::RoadResult& run, const road::Mode& mode, const std::string& texto,
                   const std::string& file) {
  const bool planned = run.target && !prosody::pitch_curve(run.target->target).empty();
  const prosody::ProsodyTarget target =
      planned ? run.target->target : inspection::result_prosody(inspection::snapshot_of(run, mode));
  const std::string heading = std::string("quelvara-synth, ") + inspection::mode_name(mode) +
                              (std::holds_alternative<road::PhoMode>(mode) ? "" : ": " + texto);
  inspection::write_text_file(prosody::pho_text(target, heading), file);
}

}  // namespace quelvara::cli
