#include "render/channel_to_float.h"

#include <cstring>

namespace {

std::uint16_t Read16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename Read>
void ReadRows(const std::uint8_t* source, std::int64_t row_bytes, std::int32_t pixel_bytes, std::int32_t sw,
              std::int32_t sh, std::int64_t ox, std::int64_t oy, float scale, float* out, std::int32_t out_width,
              std::int32_t begin, std::int32_t end, Read read) {
  for (std::int32_t j = begin; j < end; ++j) {
    float* row = out + static_cast<std::int64_t>(j) * out_width;
    const std::int64_t sy = oy + j;
    if (sy < 0 || sy >= sh) {
      for (std::int32_t i = 0; i < out_width; ++i) row[i] = 0.0f;
      continue;
    }
    const std::uint8_t* src_row = source + sy * row_bytes;
    for (std::int32_t i = 0; i < out_width; ++i) {
      const std::int64_t sx = ox + i;
      row[i] = (sx < 0 || sx >= sw) ? 0.0f : static_cast<float>(read(src_row + sx * pixel_bytes)) * scale;
    }
  }
}

}  // namespace

void ChannelToFloat16::operator()(std::int32_t begin, std::int32_t end) const {
  ReadRows(source, source_row_bytes, source_pixel_bytes, source_width, source_height, origin_x, origin_y, scale, out,
           out_width, begin, end, Read16);
}

void ChannelToFloat8::operator()(std::int32_t begin, std::int32_t end) const {
  if (wide) {
    ReadRows(source, source_row_bytes, source_pixel_bytes, source_width, source_height, origin_x, origin_y, scale,
             out, out_width, begin, end, Read16);
  } else {
    ReadRows(source, source_row_bytes, source_pixel_bytes, source_width, source_height, origin_x, origin_y, scale,
             out, out_width, begin, end, [](const std::uint8_t* p) { return *p; });
  }
}
