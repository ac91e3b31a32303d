#include "road/phone_layout.h"

#include <stdexcept>

#include "synthesis/phones.h"
#include "synthesis/unit_index.h"

namespace quelvara::road {
namespace {

PhoneLayout layout_of(std::vector<std::string> phones, std::span<const synthesis::Stress> stress,
                      std::span<const std::size_t> limdf, std::span<const std::size_t> fronteiras) {
  PhoneLayout layout;
  for (std::size_t unit : limdf) layout.length += unit;
  if (phones.empty()) return layout;
  const std::vector<std::size_t> starts = synthesis::phone_starts(limdf, fronteiras);
  for (std::size_t k = 0; k < phones.size() && k < starts.size(); ++k)
    layout.phones.push_back({std::move(phones[k]), k < stress.size() ? stress[k] : synthesis::Stress::none, starts[k]});
  return layout;
}

constexpr double silence = 0;  // the voicing code of a stop's closure

}  // namespace

PhoneLayout phone_layout(const synthesis::Reading& reading, std::span<const std::size_t> limdf,
                         std::span<const std::size_t> fronteiras) {
  return layout_of(synthesis::phones_of(reading), reading.stress, limdf, fronteiras);
}

PhoneLayout phone_layout(std::span<const std::string> difones, std::span<const synthesis::Stress> stress,
                         std::span<const std::size_t> limdf, std::span<const std::size_t> fronteiras) {
  return layout_of(synthesis::phones_of(difones), stress, limdf, fronteiras);
}

prosody::JoinedPhones joined_phones(prosody::MarkedSignal marks, const PhoneLayout& layout,
                                    const synthesis::VoicingCodes& vzmto) {
  prosody::JoinedPhones joined;
  joined.signal = std::move(marks);
  for (const auto& phone : layout.phones) joined.bounds.push_back(phone.start);
  joined.bounds.push_back(layout.length);
  for (std::size_t k = 0; k < layout.phones.size(); ++k) {
    const std::size_t start = joined.bounds[k], end = joined.bounds[k + 1];
    std::size_t release = end;
    const auto fonum = synthesis::phone_number(layout.phones[k].phone);
    if (fonum && synthesis::is_stop(*fonum) && vzmto.size() >= end) {
      // The first run of the phone that follows a run of silence begins its burst.
      const auto run = std::upper_bound(vzmto.starts.begin(), vzmto.starts.end(), start);
      for (auto r = run; r != vzmto.starts.end() && *r < end; ++r) {
        const auto index = static_cast<std::size_t>(r - vzmto.starts.begin());
        if (index > 0 && vzmto.codes[index - 1] == silence && vzmto.codes[index] != silence) {
          release = *r;
          break;
        }
      }
    }
    joined.releases.push_back(release);
  }
  return joined;
}

prosody::ProsodyTarget target_in(const Mode& mode, const PhoneLayout& layout, char pontuacao) {
  if (const auto* pho = std::get_if<PhoMode>(&mode)) return pho->target;
  if (const auto* tiers = std::get_if<TierMode>(&mode))
    return prosody::target_from_tiers(layout.phones, layout.length, tiers->pitch ? &*tiers->pitch : nullptr,
                                      tiers->duration ? &*tiers->duration : nullptr);
  if (!std::holds_alternative<NaturalMode>(mode)) throw std::invalid_argument("this intonation plans marks");
  std::vector<prosody::SpokenPhone> spoken;
  for (std::size_t k = 0; k < layout.phones.size(); ++k) {
    const std::size_t end = k + 1 < layout.phones.size() ? layout.phones[k + 1].start : layout.length;
    spoken.push_back({layout.phones[k].phone, layout.phones[k].stress,
                      static_cast<double>(end - layout.phones[k].start) / prosody::samples_per_ms});
  }
  return prosody::natural_prosody(spoken, pontuacao);
}

TargetRun plan_target_run(const Mode& mode, const prosody::MarkedSignal& marks, const PhoneLayout& layout,
                          const synthesis::VoicingCodes& vzmto, char pontuacao) {
  TargetRun run{target_in(mode, layout, pontuacao), {}};
  run.plan = prosody::plan_target(joined_phones(marks, layout, vzmto), run.target);
  return run;
}

Intonation reshape(std::span<const double> orig, const prosody::MarkedSignal& marks, const PhoneLayout& layout,
                   const synthesis::VoicingCodes& vzmto, const Mode& mode, char pontuacao) {
  TargetRun run = plan_target_run(mode, marks, layout, vzmto, pontuacao);
  Intonation result;
  result.sinal.reserve(run.plan.length);
  prosody::resynthesize_steps(orig, run.plan.steps, run.plan.length, [&result](std::span<const double> stretch) {
    result.sinal.insert(result.sinal.end(), stretch.begin(), stretch.end());
  });
  result.analysis_marks = run.plan.analysis_marks();
  result.synthesis_marks = run.plan.synthesis_marks();
  result.target = std::move(run);
  return result;
}

}  // namespace quelvara::road
