#include "prosody/target_edits.h"

#include <algorithm>
#include <cmath>

#include "prosody/prosody_file.h"

namespace quelvara::prosody {
namespace {

double held_hz(double hz) { return std::clamp(hz, lowest_hz, highest_hz); }

double total_ms(const ProsodyTarget& target) {
  double total = 0;
  for (const PhoneTarget& phone : target.phones) total += phone.length_ms;
  return total;
}

double semitones_of(double hz) { return 12 * std::log2(hz); }

// Douglas and Peucker's simplification on (ms, semitones), between first and last (kept).
void keep_needed(const std::vector<CurvePoint>& curve, std::size_t first, std::size_t last, double tolerance,
                 std::vector<bool>& keep) {
  if (last <= first + 1) return;
  const double t0 = curve[first].ms, t1 = curve[last].ms;
  const double s0 = semitones_of(curve[first].hz), s1 = semitones_of(curve[last].hz);
  std::size_t farthest = first;
  double distance = tolerance;
  for (std::size_t i = first + 1; i < last; ++i) {
    const double on_line = t1 > t0 ? s0 + (s1 - s0) * (curve[i].ms - t0) / (t1 - t0) : s0;
    const double d = std::abs(semitones_of(curve[i].hz) - on_line);
    if (d > distance) distance = d, farthest = i;
  }
  if (farthest == first) return;
  keep[farthest] = true;
  keep_needed(curve, first, farthest, tolerance, keep);
  keep_needed(curve, farthest, last, tolerance, keep);
}

}  // namespace

std::optional<ProsodyTarget> with_point_moved(const ProsodyTarget& target, std::size_t point, double hz) {
  const auto places = points_in_time_order(target);
  if (point >= places.size()) return std::nullopt;
  ProsodyTarget edited = target;
  edited.phones[places[point].phone].pitch[places[point].point].hz = held_hz(hz);
  return edited;
}

std::optional<ProsodyTarget> with_point_added(const ProsodyTarget& target, double ms, double hz) {
  if (target.phones.empty()) return std::nullopt;
  const auto [k, position] = place_in_phones(phone_starts_ms(target), ms);
  ProsodyTarget edited = target;
  PhoneTarget& phone = edited.phones[k];
  const auto at = std::upper_bound(phone.pitch.begin(), phone.pitch.end(), position,
                                   [](double p, const PitchTarget& q) { return p < q.position; });
  phone.pitch.insert(at, {position, held_hz(hz)});
  return edited;
}

std::optional<ProsodyTarget> with_point_removed(const ProsodyTarget& target, std::size_t point) {
  const auto places = points_in_time_order(target);
  if (point >= places.size()) return std::nullopt;
  ProsodyTarget edited = target;
  auto& pitch = edited.phones[places[point].phone].pitch;
  pitch.erase(pitch.begin() + static_cast<std::ptrdiff_t>(places[point].point));
  return edited;
}

std::optional<ProsodyTarget> with_phone_end_moved(const ProsodyTarget& target, std::size_t phone, double end_ms) {
  if (phone >= target.phones.size()) return std::nullopt;
  ProsodyTarget edited = target;
  PhoneTarget& edited_phone = edited.phones[phone];
  const double others = total_ms(target) - edited_phone.length_ms;
  const double longest = std::max(shortest_edited_phone_ms, std::min(longest_phone_ms, longest_prosody_ms - others));
  edited_phone.length_ms = std::clamp(end_ms - phone_starts_ms(target)[phone], shortest_edited_phone_ms, longest);
  return edited;
}

ProsodyTarget with_simplified_pitch(ProsodyTarget target, double semitones) {
  const auto places = points_in_time_order(target);
  if (places.size() < 3) return target;
  const std::vector<CurvePoint> curve = pitch_curve(target);
  std::vector<bool> keep(curve.size(), false);
  keep.front() = keep.back() = true;
  keep_needed(curve, 0, curve.size() - 1, semitones, keep);
  std::vector<std::vector<bool>> kept(target.phones.size());
  for (std::size_t k = 0; k < target.phones.size(); ++k) kept[k].assign(target.phones[k].pitch.size(), false);
  for (std::size_t i = 0; i < places.size(); ++i) kept[places[i].phone][places[i].point] = keep[i];
  for (std::size_t k = 0; k < target.phones.size(); ++k) {
    auto& pitch = target.phones[k].pitch;
    std::size_t j = 0;
    std::erase_if(pitch, [&](const PitchTarget&) { return !kept[k][j++]; });
  }
  return target;
}

void EditHistory::push(std::optional<ProsodyTarget> state) {
  states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(at_) + 1, states_.end());
  states_.push_back(std::move(state));
  if (states_.size() > limit_) states_.pop_front();
  at_ = states_.size() - 1;
}

bool EditHistory::undo() {
  if (!can_undo()) return false;
  --at_;
  return true;
}

bool EditHistory::redo() {
  if (!can_redo()) return false;
  ++at_;
  return true;
}

}  // namespace quelvara::prosody
