#include "render/matte_field_kernels.h"

#include <algorithm>
#include <cmath>

void CenterScalePlane::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) dst[i] = (src[i] - 0.5f) * k;
}

void BlendFarSmoothed::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = field[i];
    const float w = std::clamp((std::fabs(d) - 2.0f) * 0.125f, 0.0f, 1.0f);
    field[i] = w * smooth[i] + (1.0f - w) * d;
  }
}

void RunningMaxDiffRows::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const std::int64_t row = static_cast<std::int64_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      float m = 0.0f;
      const std::int32_t lo = std::max(x - radius, 0);
      const std::int32_t hi = std::min(x + radius, width - 1);
      for (std::int32_t k = lo; k <= hi; ++k) m = std::max(m, std::fabs(a[row + k] - b[row + k]));
      out[row + x] = m;
    }
  }
}

void RunningMaxColumns::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const std::int32_t lo = std::max(y - radius, 0);
    const std::int32_t hi = std::min(y + radius, height - 1);
    float* dst = out + static_cast<std::int64_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) dst[x] = 0.0f;
    for (std::int32_t k = lo; k <= hi; ++k) {
      const float* s = src + static_cast<std::int64_t>(k) * width;
      for (std::int32_t x = 0; x < width; ++x) dst[x] = std::max(dst[x], s[x]);
    }
  }
}

void CopyPlaneRect::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const float* src = field + static_cast<std::int64_t>(y + margin) * field_width + margin;
    float* dist = pane_distance + static_cast<std::int64_t>(y) * out_width;
    float* depth = pane_depth + static_cast<std::int64_t>(y) * out_width;
    for (std::int32_t x = 0; x < out_width; ++x) {
      dist[x] = src[x];
      depth[x] = std::max(src[x], 0.0f);
    }
  }
}
