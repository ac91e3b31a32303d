#pragma once
// What the analysis window shows and the export writes: the joined signal with its cut, voicing
// and pitch marks and, once an intonation run has made one, the resynthesised signal with the
// marks that the periods moved between. Everything else is derived from it here.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "synthesis/stress_marks.h"

namespace quelvara::inspection {

inline constexpr double sample_rate = 22050;

// A point of a pitch curve: frequency in Hz at a time in seconds.
struct PitchPoint {
  double time = 0;
  double hz = 0;
};

// How the resynthesised signal was made: the working analysis marks a(1..M) (samples of the
// joined signal, 1-based, ascending; the last one may lie one past its end; a run on a prosody
// target repeats a mark whose period it used again) and the synthesis marks s(1..K) (samples
// of the result), so that the period at a(i) moved to s(i).
struct Resynthesis {
  std::vector<double> sinal;
  std::vector<std::size_t> analysis_marks;
  std::vector<std::size_t> synthesis_marks;
  std::string mode;         // "Factor", "Gráfica", "Natural", or the prosody file's kind
  double factor = 1;        // the factor, in "Factor"
  char pontuacao = '.';     // the punctuation whose contour "Gráfica" used
  // What a prosody target asked for, on the result's axis: its F0 points, and where each
  // phone begins and the last one ends (seconds). Empty in "Factor" and "Gráfica", whose
  // marks tell both.
  std::vector<PitchPoint> planned_pitch;
  std::vector<double> planned_phones;
};

struct Snapshot {
  std::vector<double> orig;
  std::vector<double> vzmto;               // voicing codes, voiced above 2
  std::vector<std::size_t> pitch_marks;    // where the periods of orig begin, 1-based
  std::vector<std::string> difones;        // the diphones in text order
  std::vector<std::size_t> limdf;          // their unit lengths in samples
  // Where each unit's second phone begins, in its own samples; empty: at its middle.
  std::vector<std::size_t> fronteiras;
  std::vector<synthesis::Stress> acentos;  // the stress of each phone, from the text's marks
  std::optional<Resynthesis> result;       // absent until an intonation run for this text
};

// Why a snapshot cannot be shown as it stands, or nullopt when it can: rows of different
// lengths, unit lengths that do not add up to the signal, marks outside their signals.
std::optional<std::string> inconsistency(const Snapshot& snapshot);

struct Interval {
  double start = 0;  // seconds
  double end = 0;
  std::string label;
};

// Sample positions (0-based) where each unit begins, and one past the end of the last.
std::vector<std::size_t> unit_boundaries(const Snapshot& snapshot);
// One interval per diphone, at the cumulative unit lengths.
std::vector<Interval> diphone_intervals(const Snapshot& snapshot);
// One interval per phone: each phone from the boundary in the diphone it ends to the boundary
// in the one it begins (the unit's middle without fronteiras), the first from the start and
// the last to the end of the signal. A stressed vowel's label starts with its mark ('"', '%').
std::vector<Interval> phone_intervals(const Snapshot& snapshot);
// The same phones in the result: where a prosody target put them or else their boundaries
// carried from the joined signal through the marks that the periods moved between. Needs
// snapshot.result.
std::vector<Interval> result_phone_intervals(const Snapshot& snapshot);
// The diphone whose unit holds sample (0-based), or nullopt past the end.
std::optional<std::size_t> diphone_at(const Snapshot& snapshot, std::size_t sample);

// Voiced stretches of the joined signal as [first, last + 1) sample ranges, 0-based.
struct Stretch {
  std::size_t begin = 0;
  std::size_t end = 0;
};
std::vector<Stretch> voiced_stretches(const Snapshot& snapshot);

// The joined signal's pitch: 22050 / the period between consecutive pitch marks, for every
// period that is voiced at both ends (20 samples inside it), at the period's start. The
// stretch from a voicing onset's mark to the first pulse is no period and is left out.
std::vector<PitchPoint> joined_pitch(const Snapshot& snapshot);
// The result's pitch: 22050 / the synthesis period, for the same voiced periods, at the
// synthesis mark where the period now begins.
std::vector<PitchPoint> result_pitch(const Snapshot& snapshot);
// In "Gráfica", the points of the contour table used, each at the time of the result where
// the table's position falls; in a run on a prosody target, its F0 points; empty otherwise.
std::vector<PitchPoint> contour_points(const Snapshot& snapshot);
// The F0 the result was planned with: a target's points, or else the result's pitch.
std::vector<PitchPoint> planned_pitch(const Snapshot& snapshot);

// Seconds of a 0-based sample position.
inline double seconds(double sample) { return sample / sample_rate; }

}  // namespace quelvara::inspection
