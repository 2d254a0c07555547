// The four channels of one premultiplied ARGB pixel held side by side, as
// 32-bit floats or 32-bit ints in lane order alpha, red, green, blue, so a
// kernel can weigh, sum and convert all four at once. Every lane operation
// is the same IEEE single-precision operation the scalar code does on each
// channel (no fused multiply-add, no reordering), so lanes give the same
// bits as four separate scalar channels; on x86-64 the lanes are one SSE2
// register, elsewhere four plain scalars. PRISMORA_SCALAR_LANES takes the
// plain scalars on x86-64 too: a test build holds that path's frames
// against this one's.
#pragma once
#include <cstdint>
#include <cstring>

#include "host/pf_effect_world.h"
#include "render/pixel_traits.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>

struct FloatLanes {
  __m128 v;
};
struct IntLanes {
  __m128i v;
};

inline FloatLanes ZeroFloatLanes() { return {_mm_setzero_ps()}; }
inline IntLanes ZeroIntLanes() { return {_mm_setzero_si128()}; }

inline IntLanes LoadLanes(const PF_Pixel8& p) {
  std::int32_t word;
  std::memcpy(&word, &p, sizeof word);
  const __m128i zero = _mm_setzero_si128();
  const __m128i bytes = _mm_cvtsi32_si128(word);
  return {_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero)};
}

inline IntLanes LoadLanes(const PF_Pixel16& p) {
  const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&p));
  return {_mm_unpacklo_epi16(words, _mm_setzero_si128())};
}

// Lanes that hold channel values of the pixel type (0 to 255, or 0 to 65535).
inline void StoreLanes(IntLanes lanes, PF_Pixel8& p) {
  const __m128i words = _mm_packs_epi32(lanes.v, lanes.v);
  const std::int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(&p, &word, sizeof word);
}

inline void StoreLanes(IntLanes lanes, PF_Pixel16& p) {
  // SSE2 packs only with signed saturation: shift the range down by 32768,
  // pack, and shift it back in 16 bits.
  const __m128i bias32 = _mm_set1_epi32(32768);
  const __m128i bias16 = _mm_set1_epi16(static_cast<short>(-32768));
  const __m128i shifted = _mm_sub_epi32(lanes.v, bias32);
  const __m128i packed = _mm_xor_si128(_mm_packs_epi32(shifted, shifted), bias16);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&p), packed);
}

inline FloatLanes ToFloat(IntLanes a) { return {_mm_cvtepi32_ps(a.v)}; }
inline FloatLanes Add(FloatLanes a, FloatLanes b) { return {_mm_add_ps(a.v, b.v)}; }
inline FloatLanes Mul(FloatLanes a, float k) { return {_mm_mul_ps(a.v, _mm_set1_ps(k))}; }
inline FloatLanes Div(FloatLanes a, FloatLanes b) { return {_mm_div_ps(a.v, b.v)}; }
inline FloatLanes FloatLanesOf(float a, float r, float g, float b) { return {_mm_setr_ps(a, r, g, b)}; }
inline IntLanes Add(IntLanes a, IntLanes b) { return {_mm_add_epi32(a.v, b.v)}; }
inline IntLanes Sub(IntLanes a, IntLanes b) { return {_mm_sub_epi32(a.v, b.v)}; }
inline IntLanes ShiftRight3(IntLanes a) { return {_mm_srli_epi32(a.v, 3)}; }

// The channel conversion of ChannelFromFloat on every lane: 0 unless above
// 0 (NaN included), the full value above it, then truncated toward zero.
// maxps returns its second operand when the first is NaN or equal to it.
template <typename Pixel>
inline IntLanes ChannelLanesFromFloat(FloatLanes a) {
  const __m128 lower = _mm_max_ps(a.v, _mm_setzero_ps());
  const __m128 limited = _mm_min_ps(lower, _mm_set1_ps(PixelTraits<Pixel>::FULL_F));
  return {_mm_cvttps_epi32(limited)};
}

inline std::int32_t Lane(IntLanes a, int k) {
  alignas(16) std::int32_t v[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(v), a.v);
  return v[k];
}

inline float Lane(FloatLanes a, int k) {
  alignas(16) float v[4];
  _mm_store_ps(v, a.v);
  return v[k];
}

inline void StoreInts(IntLanes a, std::int32_t* out) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a.v); }

// Four pixels side by side, one register per channel: lane k of each holds
// pixel k's channel.
struct PixelQuad {
  __m128i a, r, g, b;
};

// Lanes of a where the mask is set, of b elsewhere.
inline __m128 LaneSelect(__m128 mask, __m128 a, __m128 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
inline __m128i LaneSelect(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Four pixels read through four pointers, kept packed; Channel(c) gives
// channel c (0 alpha, 1 red, 2 green, 3 blue) of all four as floats.
struct PixelWords8 {
  __m128i v;
  explicit PixelWords8(__m128i words) : v(words) {}
  explicit PixelWords8(const PF_Pixel8* const* p) {
    std::int32_t word[4];
    for (int k = 0; k < 4; ++k) std::memcpy(&word[k], p[k], sizeof word[k]);
    v = _mm_setr_epi32(word[0], word[1], word[2], word[3]);
  }
  __m128i IntChannel(int c) const {
    const __m128i shifted = c == 0 ? v : (c == 1 ? _mm_srli_epi32(v, 8) : (c == 2 ? _mm_srli_epi32(v, 16) : _mm_srli_epi32(v, 24)));
    return c == 3 ? shifted : _mm_and_si128(shifted, _mm_set1_epi32(0xFF));
  }
  __m128 Channel(int c) const { return _mm_cvtepi32_ps(IntChannel(c)); }
};

struct PixelWords16 {
  __m128i ar, gb;  // alpha and red are the low word of each pixel, green and blue the high
  // From pixels 0 and 1 in `first`, 2 and 3 in `second`.
  PixelWords16(__m128i first, __m128i second) {
    const __m128 lo = _mm_castsi128_ps(first);
    const __m128 hi = _mm_castsi128_ps(second);
    ar = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    gb = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
  }
  explicit PixelWords16(const PF_Pixel16* const* p)
      : PixelWords16(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[0])),
                                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[1]))),
                     _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[2])),
                                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[3])))) {}
  __m128i IntChannel(int c) const {
    const __m128i w = c < 2 ? ar : gb;
    return (c & 1) ? _mm_srli_epi32(w, 16) : _mm_and_si128(w, _mm_set1_epi32(0xFFFF));
  }
  __m128 Channel(int c) const { return _mm_cvtepi32_ps(IntChannel(c)); }
};

inline PixelWords8 GatherWords(const PF_Pixel8* const* p) { return PixelWords8(p); }
inline PixelWords16 GatherWords(const PF_Pixel16* const* p) { return PixelWords16(p); }

// Four pairs of neighbouring pixels, p[k][0] and p[k][1]: the left pixels
// of the pairs and the right ones, each read with one load per pair.
template <typename Words>
struct PixelPairs {
  Words left, right;
};

inline PixelPairs<PixelWords8> GatherPairs(const PF_Pixel8* const* p) {
  auto pair = [&](int k) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[k])); };
  const __m128i t01 = _mm_unpacklo_epi32(pair(0), pair(1));  // left 0, left 1, right 0, right 1
  const __m128i t23 = _mm_unpacklo_epi32(pair(2), pair(3));
  return {PixelWords8(_mm_unpacklo_epi64(t01, t23)), PixelWords8(_mm_unpackhi_epi64(t01, t23))};
}

inline PixelPairs<PixelWords16> GatherPairs(const PF_Pixel16* const* p) {
  auto pair = [&](int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[k])); };
  const __m128i q0 = pair(0), q1 = pair(1), q2 = pair(2), q3 = pair(3);
  return {PixelWords16(_mm_unpacklo_epi64(q0, q1), _mm_unpacklo_epi64(q2, q3)),
          PixelWords16(_mm_unpackhi_epi64(q0, q1), _mm_unpackhi_epi64(q2, q3))};
}

// Four pixels of channel values in range back to their memory layout.
inline void StoreQuad(const PixelQuad& q, PF_Pixel8* out) {
  const __m128i v = _mm_or_si128(_mm_or_si128(q.a, _mm_slli_epi32(q.r, 8)),
                                 _mm_or_si128(_mm_slli_epi32(q.g, 16), _mm_slli_epi32(q.b, 24)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
}

inline void StoreQuad(const PixelQuad& q, PF_Pixel16* out) {
  const __m128i lo = _mm_or_si128(q.a, _mm_slli_epi32(q.r, 16));
  const __m128i hi = _mm_or_si128(q.g, _mm_slli_epi32(q.b, 16));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(lo, hi));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2), _mm_unpackhi_epi32(lo, hi));
}

#else

struct FloatLanes {
  float v[4];
};
struct IntLanes {
  std::int32_t v[4];
};

inline FloatLanes ZeroFloatLanes() { return {{0.0f, 0.0f, 0.0f, 0.0f}}; }
inline IntLanes ZeroIntLanes() { return {{0, 0, 0, 0}}; }

template <typename Pixel>
inline IntLanes LoadLanes(const Pixel& p) {
  return {{p.alpha, p.red, p.green, p.blue}};
}

template <typename Pixel>
inline void StoreLanes(IntLanes lanes, Pixel& p) {
  using Channel = typename PixelTraits<Pixel>::Channel;
  p.alpha = static_cast<Channel>(lanes.v[0]);
  p.red = static_cast<Channel>(lanes.v[1]);
  p.green = static_cast<Channel>(lanes.v[2]);
  p.blue = static_cast<Channel>(lanes.v[3]);
}

inline FloatLanes ToFloat(IntLanes a) {
  FloatLanes r;
  for (int k = 0; k < 4; ++k) r.v[k] = static_cast<float>(a.v[k]);
  return r;
}
inline FloatLanes Add(FloatLanes a, FloatLanes b) {
  for (int k = 0; k < 4; ++k) a.v[k] = a.v[k] + b.v[k];
  return a;
}
inline FloatLanes Mul(FloatLanes a, float s) {
  for (int k = 0; k < 4; ++k) a.v[k] = a.v[k] * s;
  return a;
}
inline FloatLanes Div(FloatLanes a, FloatLanes b) {
  for (int k = 0; k < 4; ++k) a.v[k] = a.v[k] / b.v[k];
  return a;
}
inline FloatLanes FloatLanesOf(float a, float r, float g, float b) { return {{a, r, g, b}}; }
inline IntLanes Add(IntLanes a, IntLanes b) {
  for (int k = 0; k < 4; ++k) a.v[k] = a.v[k] + b.v[k];
  return a;
}
inline IntLanes Sub(IntLanes a, IntLanes b) {
  for (int k = 0; k < 4; ++k) a.v[k] = a.v[k] - b.v[k];
  return a;
}
inline IntLanes ShiftRight3(IntLanes a) {
  for (int k = 0; k < 4; ++k) a.v[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.v[k]) >> 3);
  return a;
}

template <typename Pixel>
inline IntLanes ChannelLanesFromFloat(FloatLanes a) {
  IntLanes r;
  for (int k = 0; k < 4; ++k) r.v[k] = ChannelFromFloat<Pixel>(a.v[k]);
  return r;
}

inline std::int32_t Lane(IntLanes a, int k) { return a.v[k]; }
inline float Lane(FloatLanes a, int k) { return a.v[k]; }

inline void StoreInts(IntLanes a, std::int32_t* out) {
  for (int k = 0; k < 4; ++k) out[k] = a.v[k];
}

#endif
