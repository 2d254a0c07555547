// Copies the output window of a padded field (output pixel (x, y) is padded
// element (y + offset) x row_length + (x + offset)) into the output-size pane
// planes: depth max(v, 0), distance v and, when present, height v. Values
// are signed distances in output pixels, positive inside. Run it as
// ParallelFor(output height, PlaceCroppedPlanes{...}); items are output rows.
#pragma once
#include <cstdint>

struct PlaceCroppedPlanes {
  std::int32_t width = 0;           // output width
  const float* padded = nullptr;
  std::int32_t offset = 0;          // margin of the padded grid, output pixels
  std::int32_t row_length = 0;      // padded row length
  float* pane_depth = nullptr;
  float* pane_distance = nullptr;
  float* pane_height = nullptr;     // may be null

  void operator()(std::int32_t begin, std::int32_t end) const;
};
