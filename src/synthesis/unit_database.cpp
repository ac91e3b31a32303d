#include "synthesis/unit_database.h"

#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// True when no value is a NaN or an infinity: x - x is 0 for every other number, and a sum
// of such differences is NaN as soon as one of them is. Eight values at a time where the
// processor has two lanes of doubles; the plain loop takes the rest.
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
