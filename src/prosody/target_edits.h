#pragma once
// A prosody target changed by hand, as the analysis window changes it: a pitch point moved up
// or down, added or removed, a phone made longer or shorter, each edit kept within what the
// planner and the prosody files take; and the history of the edits, to undo and redo them.
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "prosody/prosody_target.h"

namespace quelvara::prosody {

inline constexpr double shortest_edited_phone_ms = 10;

// The target after one edit, or nullopt when the point or phone named is not in it. A point is
// named by its rank in time order and moved to hz; a new point goes at ms of the result, in
// the phone that holds that time; a phone's end moves to end_ms, the phones after it keeping
// their lengths. Frequencies are held within lowest_hz and highest_hz, a phone's length within
// shortest_edited_phone_ms and longest_phone_ms (and the whole within longest_prosody_ms).
std::optional<ProsodyTarget> with_point_moved(const ProsodyTarget& target, std::size_t point, double hz);
std::optional<ProsodyTarget> with_point_added(const ProsodyTarget& target, double ms, double hz);
std::optional<ProsodyTarget> with_point_removed(const ProsodyTarget& target, std::size_t point);
std::optional<ProsodyTarget> with_phone_end_moved(const ProsodyTarget& target, std::size_t phone, double end_ms);

// The target with the pitch points left out that the curve through the others passes within
// semitones of (the first and the last stay): a curve read off every period becomes a few
// points that a hand can move.
ProsodyTarget with_simplified_pitch(ProsodyTarget target, double semitones);

// The states that edits went through, to go back and forth: the first is the mode's own plan
// (nullopt), then one target per edit. A new state drops those that could have been redone;
// beyond limit states, the oldest go.
class EditHistory {
 public:
  explicit EditHistory(std::size_t limit = 100) : limit_(limit < 2 ? 2 : limit) {}

  const std::optional<ProsodyTarget>& current() const { return states_[at_]; }
  void push(std::optional<ProsodyTarget> state);
  bool can_undo() const { return at_ > 0; }
  bool can_redo() const { return at_ + 1 < states_.size(); }
  // Steps back or forward; false when there is nothing to go to.
  bool undo();
  bool redo();
  std::size_t size() const { return states_.size(); }

 private:
  std::size_t limit_;
  std::deque<std::optional<ProsodyTarget>> states_{std::optional<ProsodyTarget>()};
  std::size_t at_ = 0;
};

}  // namespace quelvara::prosody
