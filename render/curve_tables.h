// Three 256-entry profile curves, sampled at x = i / 255 from cubic Bézier
// curves with x control values (0, x1, x2, 1). They are filled by static
// initialisation when the module loads and only read afterwards, so any
// number of render threads read them without locks.
#pragma once
#include <array>

constexpr int CURVE_TABLE_SIZE = 256;
using CurveTable = std::array<float, CURVE_TABLE_SIZE>;

// The rim light's glow over depth: falls from 1 to 0.
extern const CurveTable CURVE_RIM_FALLOFF;
// Shading profiles over pane height.
extern const CurveTable CURVE_PROFILE_FALLOFF;  // falls from 1 to 0
extern const CurveTable CURVE_PROFILE_RISE;     // rises from 0 to 1

CurveTable& BuildBezierCurveTable(CurveTable& table, float y0, float x1, float y1, float x2, float y2, float y3);

// Linear interpolation in the table; t at or below 0 and at or above 1 give
// the end entries. A NaN t reads as the first entry rather than indexing the
// table with an undefined conversion.
inline float CurveLookup(const CurveTable& table, float t) {
  if (!(t > 0.0f)) return table[0];
  if (t >= 1.0f) return table[CURVE_TABLE_SIZE - 1];
  const float scaled = t * 255.0f;
  const int i = static_cast<int>(scaled);
  const float f = scaled - static_cast<float>(i);
  return (1.0f - f) * table[i] + f * table[i + 1];
}
