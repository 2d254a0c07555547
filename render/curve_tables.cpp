// Each entry solves x(t) = i / 255 for the curve parameter with a few Newton
// steps, then evaluates y(t). Everything is in 32-bit floats so the tables
// come out the same on every build.
#include "render/curve_tables.h"

CurveTable& BuildBezierCurveTable(CurveTable& table, float y0, float x1, float y1, float x2, float y2, float y3) {
  constexpr int NEWTON_STEPS = 5;
  constexpr float FLAT_SLOPE = 1e-6f;
  for (int i = 0; i < CURVE_TABLE_SIZE; ++i) {
    const float x = static_cast<float>(i) / 255.0f;
    float t = x;
    for (int step = 0; step < NEWTON_STEPS; ++step) {
      const float u = 1.0f - t;
      const float slope = 6.0f * u * t * (x2 - x1) + 3.0f * (u * u) * x1 + 3.0f * (t * t) * (1.0f - x2);
      if (slope < FLAT_SLOPE) break;
      const float x_of_t = 3.0f * u * (t * t) * x2 + 3.0f * (u * u) * t * x1 + (t * t) * t;
      t = t - (x_of_t - x) / slope;
      if (t < 0.0f) t = 0.0f;
      if (t > 1.0f) t = 1.0f;
    }
    const float u = 1.0f - t;
    table[i] = (u * u) * u * y0 + 3.0f * (u * u) * t * y1 + 3.0f * u * (t * t) * y2 + (t * t) * t * y3;
  }
  return table;
}

namespace {

CurveTable MakeTable(float y0, float x1, float y1, float x2, float y2, float y3) {
  CurveTable table{};
  return BuildBezierCurveTable(table, y0, x1, y1, x2, y2, y3);
}

}  // namespace

const CurveTable CURVE_RIM_FALLOFF = MakeTable(1.0f, 0.291f, 0.706f, 0.502f, 0.0f, 0.0f);
const CurveTable CURVE_PROFILE_FALLOFF = MakeTable(1.0f, 0.21f, 1.0f, 0.57f, 0.0f, 0.0f);
const CurveTable CURVE_PROFILE_RISE = MakeTable(0.0f, 0.36f, 0.0f, 0.342f, 1.0f, 1.0f);
