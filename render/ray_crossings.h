// Crossings of a polyline's chords with the line through the origin along
// a unit direction, counted where they lie beyond a radius along it: the
// parity test behind the star's inside-or-outside decision. A point's side
// of the line is decided from the point alone (strictly left, or not), so a
// line through a point shared by two chords crosses exactly one of them or
// neither, as the outline does.
#pragma once
#include <cstdint>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

// Chord i runs from (x[i], y[i]) to (x[i + 1], y[i + 1]), i = 0 to chords - 1.
inline std::int32_t RayCrossingsBeyondPlain(const float* x, const float* y, int chords, float dir_x, float dir_y,
                                            float rho) {
  std::int32_t count = 0;
  for (int i = 0; i < chords; ++i) {
    const float sp = dir_x * y[i] - dir_y * x[i];
    const float sc = dir_x * y[i + 1] - dir_y * x[i + 1];
    const bool crosses = (sp > 0.0f) != (sc > 0.0f);
    const float t = sp / (crosses ? sp - sc : 1.0f);
    const float along_p = x[i] * dir_x + y[i] * dir_y;
    const float along_c = x[i + 1] * dir_x + y[i + 1] * dir_y;
    const float along = along_p + t * (along_c - along_p);
    count += static_cast<std::int32_t>(crosses) & static_cast<std::int32_t>(along > rho);
  }
  return count;
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// Four chords at a time, each lane the plain path's float operations in
// the plain path's order; a group of four that no chord crosses adds
// nothing and is passed over.
inline std::int32_t RayCrossingsBeyondSse2(const float* x, const float* y, int chords, float dir_x, float dir_y,
                                           float rho) {
  const __m128 dx = _mm_set1_ps(dir_x);
  const __m128 dy = _mm_set1_ps(dir_y);
  const __m128 zero = _mm_setzero_ps();
  std::int32_t count = 0;
  int i = 0;
  for (; i + 4 <= chords; i += 4) {
    const __m128 x0 = _mm_loadu_ps(x + i), y0 = _mm_loadu_ps(y + i);
    const __m128 x1 = _mm_loadu_ps(x + i + 1), y1 = _mm_loadu_ps(y + i + 1);
    const __m128 sp = _mm_sub_ps(_mm_mul_ps(dx, y0), _mm_mul_ps(dy, x0));
    const __m128 sc = _mm_sub_ps(_mm_mul_ps(dx, y1), _mm_mul_ps(dy, x1));
    const __m128 crosses = _mm_xor_ps(_mm_cmpgt_ps(sp, zero), _mm_cmpgt_ps(sc, zero));
    if (_mm_movemask_ps(crosses) == 0) continue;
    const __m128 denominator =
        _mm_or_ps(_mm_and_ps(crosses, _mm_sub_ps(sp, sc)), _mm_andnot_ps(crosses, _mm_set1_ps(1.0f)));
    const __m128 t = _mm_div_ps(sp, denominator);
    const __m128 along_p = _mm_add_ps(_mm_mul_ps(x0, dx), _mm_mul_ps(y0, dy));
    const __m128 along_c = _mm_add_ps(_mm_mul_ps(x1, dx), _mm_mul_ps(y1, dy));
    const __m128 along = _mm_add_ps(along_p, _mm_mul_ps(t, _mm_sub_ps(along_c, along_p)));
    const int hits = _mm_movemask_ps(_mm_and_ps(crosses, _mm_cmpgt_ps(along, _mm_set1_ps(rho))));
    count += (hits & 1) + ((hits >> 1) & 1) + ((hits >> 2) & 1) + ((hits >> 3) & 1);
  }
  return count + RayCrossingsBeyondPlain(x + i, y + i, chords - i, dir_x, dir_y, rho);
}
#endif

inline std::int32_t RayCrossingsBeyond(const float* x, const float* y, int chords, float dir_x, float dir_y,
                                       float rho) {
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  return RayCrossingsBeyondSse2(x, y, chords, dir_x, dir_y, rho);
#else
  return RayCrossingsBeyondPlain(x, y, chords, dir_x, dir_y, rho);
#endif
}
