#pragma once
// Export of a snapshot for annotation and measurement elsewhere: both signals as WAVE files and
// a TextGrid beside each.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "inspection/snapshot.h"
#include "inspection/textgrid.h"

namespace quelvara::inspection {

// The joined signal's annotation: tiers "difones" and "fones" (intervals), "marcas" (its pitch
// marks) and, once there is a result, "marcas_analise" (the marks of the plan, the i-th of
// which moved to the i-th point of the result's "marcas_sintese").
TextGrid joined_textgrid(const Snapshot& snapshot);
// The result's annotation: the interval tier "fones" on the result's time axis and the point
// tier "marcas_sintese". Needs snapshot.result.
TextGrid result_textgrid(const Snapshot& snapshot);

// The files of an export to base: base-orig.wav, base-orig.TextGrid and base-orig.PitchTier
// (the joined signal's pitch) and, with a result, base-sinal.wav, base-sinal.TextGrid and
// base-sinal.PitchTier (its planned pitch). A base ending in ".TextGrid" loses that ending.
std::vector<std::filesystem::path> export_names(const std::filesystem::path& base, bool with_result);

// Writes the files of export_names, 16-bit at 22050 Hz, and gives their names. Throws the WAVE
// writer's error or std::system_error on the first file that cannot be written; warnings
// (clipped samples) go to warn.
std::vector<std::filesystem::path> export_snapshot(const Snapshot& snapshot, const std::filesystem::path& base,
                                                   const std::function<void(const std::string&)>& warn = {});

}  // namespace quelvara::inspection
