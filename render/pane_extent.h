// Running centre of mass and bounding box of pane pixels, in output pixels:
// the centre is the mean pixel position (sums kept in double so a large
// frame loses nothing before the division), the radius half the longer side
// of the bounding box, at least 1.
#pragma once
#include <algorithm>
#include <cstdint>

struct PaneExtent {
  std::int64_t count = 0;
  double sum_x = 0.0;
  double sum_y = 0.0;
  std::int32_t min_x, max_x, min_y, max_y;

  PaneExtent(std::int32_t width, std::int32_t height) : min_x(width), max_x(-1), min_y(height), max_y(-1) {}

  void Add(std::int32_t x, std::int32_t y) {
    ++count;
    sum_x += x;
    sum_y += y;
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  }
  // The pixels of row y from first_x to last_x of which `pixels` are pane
  // pixels, their x summing to x_sum: the same as adding each of them, since
  // every partial sum is an integer far below 2^53 and so exact in double.
  void AddRow(std::int32_t y, std::int64_t pixels, std::int64_t x_sum, std::int32_t first_x, std::int32_t last_x) {
    count += pixels;
    sum_x += static_cast<double>(x_sum);
    sum_y += static_cast<double>(y) * static_cast<double>(pixels);
    min_x = std::min(min_x, first_x);
    max_x = std::max(max_x, last_x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  }
  float CentreX() const { return static_cast<float>(sum_x / static_cast<double>(count)); }
  float CentreY() const { return static_cast<float>(sum_y / static_cast<double>(count)); }
  float Radius() const {
    const float side = static_cast<float>(std::max(max_x - min_x, max_y - min_y));
    return std::max(1.0f, side * 0.5f);
  }
};
