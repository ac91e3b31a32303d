#include "synthesis/unit_database.h"

#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "simd/lanes.h"
#include "synthesis/voicing.h"

namespace quelvara::synthesis {

std::filesystem::path unit_path(int fonum1, int fonum2) {
  // Units beginning with "_", "p", "b" or "t" have a folder of their own, which keeps
  // the joined numbers of the two folders from colliding.
  const std::filesystem::path cam = fonum1 <= 4 ? std::filesystem::path("bd") / "oclus"
                                                : std::filesystem::path("bd");
  return cam / (std::to_string(fonum1) + std::to_string(fonum2) + ".mat");
}

namespace {

#if defined(__x86_64__)
const bool four_lanes = simd::has_four_lanes();

// The differences x - x of the first n values (a multiple of sixteen), summed four lanes at a
// time into two lanes: NaN when one of the values is not finite.
__attribute__((target("avx2"))) __m128d finite_sums(const double* x, std::size_t n) {
  const auto difference = [x](std::size_t at) __attribute__((target("avx2"))) {
    const __m256d p = _mm256_loadu_pd(x + at);
    return _mm256_sub_pd(p, p);
  };
  __m256d a = _mm256_setzero_pd(), b = a, c = a, d = a;
  for (std::size_t k = 0; k < n; k += 16) {
    a = _mm256_add_pd(a, difference(k));
    b = _mm256_add_pd(b, difference(k + 4));
    c = _mm256_add_pd(c, difference(k + 8));
    d = _mm256_add_pd(d, difference(k + 12));
  }
  const __m256d sum = _mm256_add_pd(_mm256_add_pd(a, b), _mm256_add_pd(c, d));
  return _mm_add_pd(_mm256_castpd256_pd128(sum), _mm256_extractf128_pd(sum, 1));
}
#endif

// True when no value is a NaN or an infinity: x - x is 0 for every other number, and a sum
// of such differences is NaN as soon as one of them is (sixteen or eight sums side by side
// where the processor has the lanes).
bool all_finite(const std::vector<double>& values) {
  const double* x = values.data();
  const std::size_t n = values.size();
  std::size_t k = 0;
#if defined(__SSE2__)
  const auto difference = [x](std::size_t at) {
    const __m128d p = _mm_loadu_pd(x + at);
    return _mm_sub_pd(p, p);
  };
  __m128d a = _mm_setzero_pd(), b = a, c = a, d = a;
#if defined(__x86_64__)
  if (four_lanes) {
    k = n / 16 * 16;
    a = finite_sums(x, k);
  }
#endif
  for (; k + 8 <= n; k += 8) {
    a = _mm_add_pd(a, difference(k));
    b = _mm_add_pd(b, difference(k + 2));
    c = _mm_add_pd(c, difference(k + 4));
    d = _mm_add_pd(d, difference(k + 6));
  }
  const __m128d sum = _mm_add_pd(_mm_add_pd(a, b), _mm_add_pd(c, d));
  if (_mm_movemask_pd(_mm_cmpeq_pd(sum, sum)) != 3) return false;  // a NaN is unequal to itself
#endif
  for (; k < n; ++k) {
    if (!(x[k] - x[k] == 0)) return false;
  }
  return true;
}

// Whether values holds at least `wanted` nonzero entries; stops as soon as it knows.
bool has_nonzero(const std::vector<double>& values, std::size_t wanted) {
  std::size_t found = 0;
  for (const double x : values) {
    if (x != 0 && ++found == wanted) return true;
  }
  return false;
}

}  // namespace

bool unit_is_usable(const UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0 || unit.trm.size() != length || unit.vzmt.size() != length) return false;

  // One NaN would spread through the smoothing sum into every unit of the text.
  if (!all_finite(unit.dfn) || !all_finite(unit.trm) || !all_finite(unit.vzmt)) return false;

  if (is_voiced(unit.vzmt.back())) return has_nonzero(unit.trm, 1);
  if (is_voiced(unit.vzmt.front())) return has_nonzero(unit.trm, 2);
  return true;
}

}  // namespace quelvara::synthesis
