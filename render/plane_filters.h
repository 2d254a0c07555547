// Separable filters on float planes (row-major, element (x, y) at
// y * width + x), each a body that ParallelFor runs with the plane's rows as
// items: body(begin, end) writes the whole rows [begin, end) of its output.
// Near a border only the taps inside the plane are averaged, so a border
// pixel is the mean of fewer samples; the gradient is 0 on the border.
// Source and output are always different planes of the same size: a pass
// reads rows that other items of the same pass write.
//
// The bodies hold references to the caller's width, height and radius and
// pointers to its planes, and read them when they run; the caller keeps
// them alive and unchanged until ParallelFor returns.
#pragma once
#include <cstdint>

// dst(x, y) = mean of src(x + k, y), k = -radius ... radius, in-bounds only.
struct BoxBlurRows {
  const std::int32_t& width;
  const std::int32_t& radius;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// dst(x, y) = mean of src(x, y + k), k = -radius ... radius, in-bounds only.
// The item is the output row: it reads source rows y - radius ... y + radius.
struct BoxBlurColumns {
  const std::int32_t& width;
  const std::int32_t& radius;
  const std::int32_t& height;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// dst = BoxBlurColumns of (BoxBlurRows of src), both of the same radius,
// with the same bytes as the two passes through an intermediate plane, in
// one pass: each item works out the row blur of the source rows it needs
// into a small buffer of its own (on its stack) and sums the columns from
// there. Source rows y - radius ... y + radius are read for output row y.
// Holds only while 2 * min(radius, height - 1) + 1 <= MAX_RING_ROWS; a
// caller with a larger radius runs the two passes.
struct BoxBlurRowsThenColumns {
  static constexpr std::int32_t MAX_RING_ROWS = 32;
  static bool Fits(std::int32_t radius, std::int32_t height);

  const std::int32_t& width;
  const std::int32_t& radius;
  const std::int32_t& height;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// The part of BoxBlurRowsThenColumns{width, radius, height, src, dst} that
// lies in columns [x0, x1) of rows [begin, end), with the same bytes there;
// nothing else of dst is written. It reads source rows begin - radius ...
// end - 1 + radius, columns x0 - radius ... x1 - 1 + radius (in-bounds
// ones). With above_zero, values below 0 are stored as +0 (-0 and NaN keep
// their bits). Holds where BoxBlurRowsThenColumns::Fits(radius, height);
// 0 <= x0, x1 <= width. Runs on the calling thread.
void BoxBlurRowsThenColumnsPart(std::int32_t width, std::int32_t radius, std::int32_t height, const float* src,
                                 float* dst, std::int32_t x0, std::int32_t x1, std::int32_t begin, std::int32_t end,
                                 bool above_zero);

// The three-tap boxes: BoxBlurRows and BoxBlurColumns with radius 1.
struct Box3Rows {
  const std::int32_t& width;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct Box3Columns {
  const std::int32_t& width;
  const std::int32_t& height;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// Central differences, not halved (a field rising by 1 per pixel has
// gradient 2): gx = src(x + 1, y) - src(x - 1, y) for 1 <= x <= width - 2,
// gy = src(x, y + 1) - src(x, y - 1) for 1 <= y <= height - 2, else 0.
// Both gradient planes differ from the source.
struct CentralGradient {
  const std::int32_t& width;
  const std::int32_t& height;
  const float* src;
  float* gradient_x;
  float* gradient_y;
  void operator()(std::int32_t begin, std::int32_t end) const;
};
