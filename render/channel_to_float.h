// Reading one channel of a raster into a float plane, for the matte: the
// matte raster of the pre-render record (16-bit distance codes or 16-bit
// or 8-bit coverage) onto the matte stage's padded grid, and the alpha of a
// rendered 16-bit world onto a coverage plane of the world's size.
//
// Grid pixel (i, j) takes source pixel (origin_x + i, origin_y + j); a
// source pixel outside source_width x source_height reads 0, that is
// outside every pane. The value is multiplied by `scale` (2^-15 turns
// 32768 into 1.0, 1/255 turns 255 into 1.0). Items are the grid's rows.
#pragma once
#include <cstdint>

struct ChannelToFloat16 {
  const std::uint8_t* source;    // the channel's first value in the source's top row
  std::int64_t source_row_bytes; // bytes from one source row to the next
  std::int32_t source_pixel_bytes;  // bytes from one value to the next in a row
  std::int32_t source_width;
  std::int32_t source_height;
  std::int64_t origin_x;
  std::int64_t origin_y;
  float scale;
  float* out;                    // grid, out_width values a row
  std::int32_t out_width;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// As ChannelToFloat16, reading 16-bit values when `wide` (a distance-coded
// or deep raster) and 8-bit values otherwise.
struct ChannelToFloat8 {
  const std::uint8_t* source;
  std::int64_t source_row_bytes;
  std::int32_t source_pixel_bytes;
  std::int32_t source_width;
  std::int32_t source_height;
  std::int64_t origin_x;
  std::int64_t origin_y;
  bool wide;
  float scale;
  float* out;
  std::int32_t out_width;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

constexpr float CHANNEL_SCALE_16 = 3.0517578e-05f;         // 2^-15
constexpr float CHANNEL_SCALE_8 = 0.003921568859368563f;  // 1 / 255
