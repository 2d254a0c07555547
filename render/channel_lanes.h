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
