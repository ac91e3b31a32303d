#pragma once
// What the analysis window shows and the export writes: the joined signal with its cut, voicing
// and pitch marks and, once an intonation run has made one, the resynthesised signal with the
// marks that the periods moved between. Everything else is derived from it here.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quelvara::inspection {

inline constexpr double sample_rate = 22050;

// How the resynthesised signal was made: the working analysis marks a(1..M) (samples of the
// joined signal, 1-based; the last one may lie one past its end) and the synthesis marks
// s(1..K) (samples of the result), so that the period at a(i) moved to s(i).
struct Resynthesis {
  std::vector<double> sinal;
  std::vector<std::size_t> analysis_marks;
  std::vector<std::size_t> synthesis_marks;
  std::string mode;         // "Factor" or "Gráfica"
  double factor = 1;        // the factor, in "Factor"
  char pontuacao = '.';     // the punctuation whose contour "Gráfica" used
};

struct Snapshot {
  std::vector<double> orig;
  std::vector<double> vzmto;               // voicing codes, voiced above 2
  std::vector<std::size_t> pitch_marks;    // where the periods of orig begin, 1-based
  std::vector<std::string> difones;        // the diphones in text order
  std::vector<std::size_t> limdf;          // their unit lengths in samples
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
// One interval per phone: each phone from the middle of the diphone it ends to the middle of
// the one it begins, the first from the start and the last to the end of the signal.
std::vector<Interval> phone_intervals(const Snapshot& snapshot);
// The diphone whose unit holds sample (0-based), or nullopt past the end.
std::optional<std::size_t> diphone_at(const Snapshot& snapshot, std::size_t sample);

// Voiced stretches of the joined signal as [first, last + 1) sample ranges, 0-based.
struct Stretch {
  std::size_t begin = 0;
  std::size_t end = 0;
};
std::vector<Stretch> voiced_stretches(const Snapshot& snapshot);

// A point of a pitch curve: frequency in Hz at a time in seconds.
struct PitchPoint {
  double time = 0;
  double hz = 0;
};
// The joined signal's pitch: 22050 / the period between consecutive pitch marks, for every
// period that is voiced at both ends (20 samples inside it), at the period's start.
std::vector<PitchPoint> joined_pitch(const Snapshot& snapshot);
// The result's pitch: 22050 / the synthesis period, for the same voiced periods, at the
// synthesis mark where the period now begins.
std::vector<PitchPoint> result_pitch(const Snapshot& snapshot);
// In "Gráfica", the points of the contour table used, each at the time of the result where
// the table's position falls; empty otherwise.
std::vector<PitchPoint> contour_points(const Snapshot& snapshot);

// Seconds of a 0-based sample position.
inline double seconds(double sample) { return sample / sample_rate; }

}  // namespace quelvara::inspection
