// The blitter of the scanline fills: adds one horizontal span [x_start,
// x_end) of supersampled grid x (grid column i covers x from i to i + 1) to
// the current row of a float coverage raster, by exact overlap times the
// scanline's weight and clamped to 1, or sets the pixels of an 8-bit mask
// row whose centres lie in the span to 255. The fill never knows what the
// row belongs to.
#pragma once
#include <cstdint>

struct SpanContext {
  float* coverage_row = nullptr;      // current float coverage row, or null
  std::int32_t width = 0;             // grid width
  float weight = 1.0f;                // coverage of one scanline
  std::uint8_t* mask_row = nullptr;   // current 8-bit mask row, used without a coverage row
};

void AddSpanCoverage(const SpanContext& context, float x_start, float x_end);
