// Arbitrary pitch marks, voicing codes and samples through planning and overlap-add, in either
// intonation mode: every sample made must be a finite number, and the plan must describe the
// signal made from it. Indexes that leave their rows are caught by the sanitizers and by the
// standard library's own checks, which the fuzz build turns on.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "prosody/planning.h"
#include "prosody/resynthesis.h"

namespace {

using namespace quelvara::prosody;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Reads the input from the front, giving zeros once it is used up.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t next16() { return static_cast<std::uint16_t>(next() | next() << 8); }
  bool empty() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  // Mode and punctuation, then the length, then per sample: the sample, a mark and a voicing code.
  const std::uint8_t mode = in.next();
  const char pontuacao = ".!?x"[in.next() % 4];
  const double factor = 0.5 + 1.5 * (in.next16() / 65535.0);
  const std::size_t length = in.next16() % 4096;
  std::vector<double> orig(length), pitch(length), vzmto(length);
  for (std::size_t k = 0; k < length; ++k) {
    orig[k] = static_cast<std::int16_t>(in.next16()) / 32768.0;
    const std::uint8_t flags = in.next();
    pitch[k] = (flags & 0x0f) == 0 ? 1 + (flags >> 4) : 0;  // nonzero marks of any size
    vzmto[k] = flags >> 6;                                   // 0 to 3: voiced from 3 on
    if (in.empty()) {
      // The rest of the signal repeats a short voiced period, so short inputs still reach long
      // stretches of marks.
      pitch[k] = k % 37 == 0 ? 1 : 0;
      vzmto[k] = 3;
    }
  }

  const Plan plan = mode % 2 == 0 ? plan_factor(pitch, vzmto, factor) : plan_contour(pitch, vzmto, pontuacao);
  require(!plan.analysis_marks.empty());
  for (double p : plan.periods) require(std::isfinite(p));

  const Resynthesis made = resynthesize(orig, plan.analysis_marks, plan.synthesis_marks);
  require(made.sinal.size() == plan.synthesis_marks.size());
  for (double x : made.sinal) require(std::isfinite(x));
  return 0;
}
