#pragma once
// Whether the processor has four lanes of doubles (AVX2), for the array-wide loops that have a
// four-lane version beside the two-lane one. Read from what the C library found out when the
// program started, where it tells: asking the processor again is slow on a virtual machine.
// (The C library's header is C, which clang does not take as C++; clang asks the processor.)
#if defined(__x86_64__)
#if __has_include(<sys/platform/x86.h>) && !defined(__clang__)
#define QUELVARA_LANES_FROM_LIBC 1
#include <sys/platform/x86.h>
#endif

namespace quelvara::simd {

inline bool has_four_lanes() {
#if defined(QUELVARA_LANES_FROM_LIBC)
  return CPU_FEATURE_ACTIVE(AVX2);
#else
  return __builtin_cpu_supports("avx2");
#endif
}

}  // namespace quelvara::simd
#endif
