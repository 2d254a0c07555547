// The rounded star's least squared chord distance with the chord blocks
// that provably cannot hold it left out, in a plain form and, on SSE2, four
// chords (one block) or four blocks at a time. Each lane computes the plain
// form's float operations in the plain form's order, so both forms return
// the same bits: the least of a set of squared distances does not depend
// on the order it is taken in (no -0 among squares, and NaN never wins),
// and a block left out holds no value below the least already found.
#pragma once
#include <bit>
#include <cmath>
#include <limits>

#include "render/shape_distance_functions.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

// Relative slack of the float disc test, beside rounding of a few units in
// 2^-24.
constexpr float STAR_CENTRE2_SHRINK = 1.0f - 2e-5f;
constexpr float STAR_LIMIT_GROWTH = 1.0f + 1e-5f;

// The least squared distance from (qx, qy) to the chords of block b,
// lowered into least.
inline float StarBlockLeastPlain(float qx, float qy, const ChordPolyline<STAR_CHORDS>& c, int b, float least) {
  const int first = b * STAR_BLOCK_CHORDS;
  float d2[STAR_BLOCK_CHORDS];
  for (int k = 0; k < STAR_BLOCK_CHORDS; ++k) {
    const int i = first + k;
    const float wx = qx - c.x[i];
    const float wy = qy - c.y[i];
    const float projection = (wx * c.ex[i] + wy * c.ey[i]) / c.e2_divisor[i];
    const float low = projection < 0.0f ? 0.0f : projection;
    const float clamped = 1.0f < projection ? 1.0f : low;
    const float s = c.e2[i] > 1e-8f ? clamped : 0.0f;
    const float dx = qx - (c.x[i] + s * c.ex[i]);
    const float dy = qy - (c.y[i] + s * c.ey[i]);
    d2[k] = dx * dx + dy * dy;
  }
  for (int k = 0; k < STAR_BLOCK_CHORDS; ++k) least = d2[k] < least ? d2[k] : least;
  return least;
}

// From the block with the nearest disc centre first (a guess only: the
// result does not depend on it, but the others then mostly fall to the
// bound), then every block whose disc comes near enough: a block whose
// disc lies beyond the distance found so far holds no chord below it,
// centre distance > limit + reach, tested on squares lowered and raised by
// far more than the rounding of these few float operations (the reach
// already holds the chords' own rounding margin). For finite points of
// stars whose blocks are usable.
inline float BlockedLeastDistance2Plain(float qx, float qy, const ChordPolyline<STAR_CHORDS>& c,
                                        const ChordBlocks& blocks) {
  float centre2[STAR_BLOCKS];
  for (int b = 0; b < STAR_BLOCKS; ++b) {
    const float dx = qx - blocks.disc_x[b];
    const float dy = qy - blocks.disc_y[b];
    centre2[b] = dx * dx + dy * dy;
  }
  int start = 0;
  for (int b = 1; b < STAR_BLOCKS; ++b) start = centre2[b] < centre2[start] ? b : start;
  float least = StarBlockLeastPlain(qx, qy, c, start, 1e30f);
  float limit = std::sqrt(least) * STAR_LIMIT_GROWTH;
  for (int b = 0; b < STAR_BLOCKS; ++b) {
    if (b == start) continue;
    const float outer = limit + blocks.disc_reach[b];
    if (centre2[b] * STAR_CENTRE2_SHRINK > outer * outer) continue;
    least = StarBlockLeastPlain(qx, qy, c, b, least);
    limit = std::sqrt(least) * STAR_LIMIT_GROWTH;
  }
  return least;
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// The least of the four lanes, and of least.
inline float StarLeastLane(__m128 v, float least) {
  // Lane-wise first against least, which is never NaN: a NaN lane gives
  // way to it, as it does in the plain comparison.
  v = _mm_min_ps(v, _mm_set1_ps(least));
  v = _mm_min_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = _mm_min_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtss_f32(v);
}

// The four chords of block b in the four lanes.
inline float StarBlockLeastSse2(float qx, float qy, const ChordPolyline<STAR_CHORDS>& c, int b, float least) {
  static_assert(STAR_BLOCK_CHORDS == 4);
  const int i = b * STAR_BLOCK_CHORDS;
  const __m128 vqx = _mm_set1_ps(qx);
  const __m128 vqy = _mm_set1_ps(qy);
  const __m128 px = _mm_loadu_ps(c.x.data() + i);
  const __m128 py = _mm_loadu_ps(c.y.data() + i);
  const __m128 ex = _mm_loadu_ps(c.ex.data() + i);
  const __m128 ey = _mm_loadu_ps(c.ey.data() + i);
  const __m128 wx = _mm_sub_ps(vqx, px);
  const __m128 wy = _mm_sub_ps(vqy, py);
  const __m128 projection =
      _mm_div_ps(_mm_add_ps(_mm_mul_ps(wx, ex), _mm_mul_ps(wy, ey)), _mm_loadu_ps(c.e2_divisor.data() + i));
  // max(0, p) is 0 > p ? 0 : p and min(1, low) is 1 < low ? 1 : low, which
  // is the plain 1 < p ? 1 : low whatever p (NaN included).
  const __m128 low = _mm_max_ps(_mm_setzero_ps(), projection);
  const __m128 clamped = _mm_min_ps(_mm_set1_ps(1.0f), low);
  const __m128 s = _mm_and_ps(_mm_cmpgt_ps(_mm_loadu_ps(c.e2.data() + i), _mm_set1_ps(1e-8f)), clamped);
  const __m128 dx = _mm_sub_ps(vqx, _mm_add_ps(px, _mm_mul_ps(s, ex)));
  const __m128 dy = _mm_sub_ps(vqy, _mm_add_ps(py, _mm_mul_ps(s, ey)));
  return StarLeastLane(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), least);
}

// The disc centres' distances four blocks at a time; the start block is
// any of the nearest (the result does not depend on it).
inline float BlockedLeastDistance2Sse2(float qx, float qy, const ChordPolyline<STAR_CHORDS>& c,
                                       const ChordBlocks& blocks) {
  static_assert(STAR_BLOCKS % 4 == 0);
  alignas(16) float centre2[STAR_BLOCKS];
  const __m128 vqx = _mm_set1_ps(qx);
  const __m128 vqy = _mm_set1_ps(qy);
  __m128 nearest = _mm_set1_ps(std::numeric_limits<float>::infinity());
  for (int b = 0; b < STAR_BLOCKS; b += 4) {
    const __m128 dx = _mm_sub_ps(vqx, _mm_loadu_ps(blocks.disc_x.data() + b));
    const __m128 dy = _mm_sub_ps(vqy, _mm_loadu_ps(blocks.disc_y.data() + b));
    const __m128 d2 = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
    _mm_store_ps(centre2 + b, d2);
    nearest = _mm_min_ps(nearest, d2);
  }
  nearest = _mm_min_ps(nearest, _mm_shuffle_ps(nearest, nearest, _MM_SHUFFLE(1, 0, 3, 2)));
  nearest = _mm_min_ps(nearest, _mm_shuffle_ps(nearest, nearest, _MM_SHUFFLE(2, 3, 0, 1)));
  const float nearest_centre2 = _mm_cvtss_f32(nearest);
  int start = 0;
  while (start < STAR_BLOCKS - 1 && !(centre2[start] <= nearest_centre2)) ++start;
  float least = StarBlockLeastSse2(qx, qy, c, start, 1e30f);
  float limit = std::sqrt(least) * STAR_LIMIT_GROWTH;
  // The blocks that come near enough with the first limit, four at a time;
  // each is tested again with the limit lowered by the blocks before it.
  int candidates = 0;
  const __m128 vlimit = _mm_set1_ps(limit);
  const __m128 shrink = _mm_set1_ps(STAR_CENTRE2_SHRINK);
  for (int b = 0; b < STAR_BLOCKS; b += 4) {
    const __m128 outer = _mm_add_ps(vlimit, _mm_loadu_ps(blocks.disc_reach.data() + b));
    const __m128 far = _mm_cmpgt_ps(_mm_mul_ps(_mm_load_ps(centre2 + b), shrink), _mm_mul_ps(outer, outer));
    candidates |= (~_mm_movemask_ps(far) & 0xF) << b;
  }
  candidates &= ~(1 << start);
  while (candidates != 0) {
    const int b = std::countr_zero(static_cast<unsigned>(candidates));
    candidates &= candidates - 1;
    const float outer = limit + blocks.disc_reach[b];
    if (centre2[b] * STAR_CENTRE2_SHRINK > outer * outer) continue;
    least = StarBlockLeastSse2(qx, qy, c, b, least);
    limit = std::sqrt(least) * STAR_LIMIT_GROWTH;
  }
  return least;
}

// The four chords of block b for four points, one point per lane, lowered
// into each lane's least: per lane the plain form's operations.
inline __m128 StarBlockLeastFourPoints(__m128 vqx, __m128 vqy, const ChordPolyline<STAR_CHORDS>& c, int b,
                                       __m128 least) {
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 zero = _mm_setzero_ps();
  for (int k = 0; k < STAR_BLOCK_CHORDS; ++k) {
    const int i = b * STAR_BLOCK_CHORDS + k;
    const __m128 px = _mm_set1_ps(c.x[i]);
    const __m128 py = _mm_set1_ps(c.y[i]);
    const __m128 ex = _mm_set1_ps(c.ex[i]);
    const __m128 ey = _mm_set1_ps(c.ey[i]);
    const __m128 wx = _mm_sub_ps(vqx, px);
    const __m128 wy = _mm_sub_ps(vqy, py);
    const __m128 projection =
        _mm_div_ps(_mm_add_ps(_mm_mul_ps(wx, ex), _mm_mul_ps(wy, ey)), _mm_set1_ps(c.e2_divisor[i]));
    const __m128 low = _mm_max_ps(zero, projection);
    const __m128 clamped = _mm_min_ps(one, low);
    const __m128 s = c.e2[i] > 1e-8f ? clamped : zero;
    const __m128 dx = _mm_sub_ps(vqx, _mm_add_ps(px, _mm_mul_ps(s, ex)));
    const __m128 dy = _mm_sub_ps(vqy, _mm_add_ps(py, _mm_mul_ps(s, ey)));
    // d2 < least ? d2 : least, so a NaN d2 gives way as in the plain form.
    least = _mm_min_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), least);
  }
  return least;
}

// BlockedLeastDistance2 of four finite points at once, one per lane, into
// out. A block is taken for all four lanes unless every lane's own disc
// test leaves it out with that lane's least so far; taking a block that a
// lane could have left out adds only values no lower than its least, so
// each lane's least is the one the plain form finds. Each lane's nearest
// block is taken first.
inline void BlockedLeastDistance2FourPoints(const float* qx, const float* qy, const ChordPolyline<STAR_CHORDS>& c,
                                            const ChordBlocks& blocks, float* out) {
  const __m128 vqx = _mm_loadu_ps(qx);
  const __m128 vqy = _mm_loadu_ps(qy);
  __m128 centre2[STAR_BLOCKS];
  __m128 nearest = _mm_set1_ps(std::numeric_limits<float>::infinity());
  for (int b = 0; b < STAR_BLOCKS; ++b) {
    const __m128 dx = _mm_sub_ps(vqx, _mm_set1_ps(blocks.disc_x[b]));
    const __m128 dy = _mm_sub_ps(vqy, _mm_set1_ps(blocks.disc_y[b]));
    centre2[b] = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
    nearest = _mm_min_ps(nearest, centre2[b]);
  }
  // The blocks holding some lane's nearest disc centre.
  unsigned started = 0;
  int found = 0;
  for (int b = 0; b < STAR_BLOCKS && found != 0xF; ++b) {
    const int lanes = _mm_movemask_ps(_mm_cmple_ps(centre2[b], nearest)) & ~found;
    if (lanes == 0) continue;
    found |= lanes;
    started |= 1u << b;
  }
  __m128 least = _mm_set1_ps(1e30f);
  for (unsigned s = started; s != 0; s &= s - 1) {
    least = StarBlockLeastFourPoints(vqx, vqy, c, std::countr_zero(s), least);
  }
  const __m128 growth = _mm_set1_ps(STAR_LIMIT_GROWTH);
  const __m128 shrink = _mm_set1_ps(STAR_CENTRE2_SHRINK);
  __m128 limit = _mm_mul_ps(_mm_sqrt_ps(least), growth);
  // The blocks that some lane keeps with the first limit, without
  // branches; each is tested again with the limits lowered by the blocks
  // taken before it.
  unsigned candidates = 0;
  for (int b = 0; b < STAR_BLOCKS; ++b) {
    const __m128 outer = _mm_add_ps(limit, _mm_set1_ps(blocks.disc_reach[b]));
    const __m128 far = _mm_cmpgt_ps(_mm_mul_ps(centre2[b], shrink), _mm_mul_ps(outer, outer));
    candidates |= static_cast<unsigned>(_mm_movemask_ps(far) != 0xF) << b;
  }
  candidates &= ~started;
  while (candidates != 0) {
    const int b = std::countr_zero(candidates);
    candidates &= candidates - 1;
    const __m128 outer = _mm_add_ps(limit, _mm_set1_ps(blocks.disc_reach[b]));
    const __m128 far = _mm_cmpgt_ps(_mm_mul_ps(centre2[b], shrink), _mm_mul_ps(outer, outer));
    if (_mm_movemask_ps(far) == 0xF) continue;
    least = StarBlockLeastFourPoints(vqx, vqy, c, b, least);
    limit = _mm_mul_ps(_mm_sqrt_ps(least), growth);
  }
  _mm_storeu_ps(out, least);
}
#endif

inline float BlockedLeastDistance2(float qx, float qy, const ChordPolyline<STAR_CHORDS>& c,
                                   const ChordBlocks& blocks) {
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  return BlockedLeastDistance2Sse2(qx, qy, c, blocks);
#else
  return BlockedLeastDistance2Plain(qx, qy, c, blocks);
#endif
}
