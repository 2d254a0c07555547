// Fills one closed outline of supersampled grid points (x, y pairs, grid
// pixels, y down) into a grid raster, scanline by scanline: crossings at
// each scanline's height, spans by the fill rule, each span handed to
// AddSpanCoverage for the row it belongs to. With a float raster a grid row
// may be sampled by several sub-scanlines of equal weight; an 8-bit mask row
// is sampled once, through its centre.
#pragma once
#include <cstdint>
#include <vector>

#include "render/scanline_crossings.h"

struct OutlineRaster {
  float* coverage = nullptr;         // width x height floats, or null
  std::uint8_t* mask = nullptr;      // width x height bytes, used without coverage
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t subscanlines = 1;     // per grid row, float raster only
};

// The part of the grid that FillOutline can write for these points: rows
// first_row to last_row and columns first_col to last_col, inclusive, with
// room to spare for rounding; the whole grid when a point is not finite.
// Empty when last_row < first_row or last_col < first_col.
struct GridWindow {
  std::int32_t first_row = 0;
  std::int32_t last_row = -1;
  std::int32_t first_col = 0;
  std::int32_t last_col = -1;
};
GridWindow OutlineWindow(const float* grid_points, std::int32_t point_count, std::int32_t width,
                         std::int32_t height);

// crossings is scratch, reused from scanline to scanline.
void FillOutline(const float* grid_points, std::int32_t point_count, const SubpathLayout& layout, FillRule rule,
                 const OutlineRaster& raster, std::vector<Crossing>& crossings);
