#pragma once
// The prosody that the analysis window edits: the main window's current result seen as a
// prosody target (the mode's own plan), the edits made to it with their history, and each
// state run again on the main window's record, so that Ouvir, Gravar and the files written
// all use it. Prosody files open into it and are written from it.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "prosody/target_edits.h"
#include "runtime/value.h"
#include "windows/analysis_display.h"

namespace quelvara::windows {

// The name of an edited run, as the status lines show it.
inline constexpr const char* edited_prosody_name = "Prosódia editada";

class ProsodyEditing {
 public:
  // Follows the main window's record handles: a result made since (another text, another
  // intonation) starts the edits over from its own plan; without a current result there is
  // nothing to edit.
  void follow(const runtime::Value& handles);
  bool has_result() const { return run_.has_value(); }
  // Whether the record holds an edit rather than the mode's own plan.
  bool edited() const { return history_.current().has_value(); }

  // The prosody to edit, as the picture shows it; nullopt without a current result.
  std::optional<EditableProsody> shown(const runtime::Value& handles);

  // Makes an edit (undo and redo too) and runs it on handles; false when it does not apply
  // (the record has changed since the prosody was shown, or nothing to undo).
  bool apply(runtime::Value& handles, const ProsodyEdit& edit);
  // "Repor": back to the mode's own plan, as a step that can be undone.
  bool reset(runtime::Value& handles);

  // Opens a .pho file (its phones must be those of the text), a PitchTier (the curve changes,
  // the lengths stay) or a DurationTier (the lengths change, the curve's points stay in their
  // phones), times on the joined signal's axis; runs it on handles. Gives the problem, naming
  // the file and its line, or "" once done; on a problem handles is untouched.
  std::string open(runtime::Value& handles, const std::filesystem::path& file);

  // Writes the prosody of the record's result: a .pho file, or for a name ending in
  // ".PitchTier" or ".DurationTier" both tiers beside each other (the PitchTier only when the
  // prosody has pitch points). Gives the files written; std::runtime_error with a message for
  // the user when the lengths cannot be said as a DurationTier, std::system_error when a file
  // cannot be written.
  std::vector<std::filesystem::path> save(const runtime::Value& handles, const std::filesystem::path& file);

 private:
  // What edits start from, worked out once per result.
  struct Plan {
    prosody::ProsodyTarget saved;   // the prosody of the mode's own result, as a file says it
    prosody::ProsodyTarget edited;  // the same, with the pitch points a hand can move
  };
  const Plan& plan(const runtime::Value& handles);
  const prosody::ProsodyTarget& current(const runtime::Value& handles);
  // Runs a state on handles: a target, or the mode's own result (nullopt).
  void run_state(runtime::Value& handles, const std::optional<prosody::ProsodyTarget>& state);

  std::optional<double> run_;             // the number of the record's run the edits stand on
  runtime::Value plan_sinal_, plan_run_;  // the mode's own result, sinal and entoacao
  std::optional<Plan> plan_;
  prosody::EditHistory history_;
};

}  // namespace quelvara::windows
