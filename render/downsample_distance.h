// Brings a supersampled signed distance field (grid pixels, positive inside)
// back to output resolution: each destination pixel averages its s x s grid
// block, converts the distance to output pixels, and near the outline pulls
// it towards the edge offset that the block's coverage gives. Run it as
// ParallelFor(rows, DownsampleDistance{...}); items are destination rows.
//
// Two members of one body:
// - paths: block (x, y) of the grid (block_offset 0); writes the single
//   destination plane when set (indexed with dest_row_length, which for the
//   paths road is the iteration width), else the three pane planes only when
//   write_through holds (the margin is 0, or a smooth field exists);
// - text: block (x + offset, y + offset), offset in output pixels; writes
//   the single destination plane with its own row length when set, else the
//   three pane planes (write_through always true).
#pragma once
#include <cstdint>

struct DownsampleDistance {
  std::int32_t supersample = 1;            // s
  const float* distance = nullptr;         // supersampled distance field, grid pixels
  std::int32_t grid_width = 0;             // its row length
  const float* coverage = nullptr;         // coverage of the same grid, or null
  const std::uint8_t* mask = nullptr;      // 8-bit mask of the grid, used without coverage
  float scale = 1.0f;                      // 1 / s^2
  std::int32_t width = 0;                  // destination columns per row
  std::int32_t block_offset = 0;           // output pixels added to x and y before the block is found
  float* dest = nullptr;                   // single destination plane, or null
  std::int32_t dest_row_length = 0;
  bool write_through = true;               // without dest: write the pane planes
  float* pane_depth = nullptr;             // max(d, 0), row length width
  float* pane_distance = nullptr;          // d
  float* pane_height = nullptr;            // d, when present

  void operator()(std::int32_t begin, std::int32_t end) const;
};

// The distance d (output pixels) of destination pixel (x, y), refined near
// the edge from the block's coverage.
float DownsampledDistanceAt(const DownsampleDistance& body, std::int32_t x, std::int32_t y);
