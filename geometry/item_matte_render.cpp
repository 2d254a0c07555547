#include "geometry/item_matte_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/matte_distance_code.h"
#include "geometry/matte_render_frame.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "render/channel_to_float.h"
#include "render/distance_field_builders.h"
#include "render/float_plane.h"
#include "render/index_from_float.h"
#include "render/parallel_for.h"
#include "shell/suite_handler.h"

namespace {

constexpr double DEGENERATE_DETERMINANT = 1e-9;

double Ratio(const PF_RationalScale& s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

std::uint16_t Alpha16(const PF_EffectWorld& world, std::int64_t x, std::int64_t y) {
  if (x < 0 || y < 0 || x >= world.width || y >= world.height) return 0;
  const auto* row = static_cast<const std::uint8_t*>(world.data) + y * world.rowbytes;
  PF_Pixel16 p;
  std::memcpy(&p, row + x * static_cast<std::int64_t>(sizeof(PF_Pixel16)), sizeof p);
  return p.alpha;
}

// A double pixel bound clamped into [lo, hi] before it becomes an int.
std::int32_t Bound(double v, std::int32_t lo, std::int32_t hi) {
  if (!(v > lo)) return lo;  // also NaN
  if (v > hi) return hi;
  return static_cast<std::int32_t>(v);
}

}  // namespace

bool RenderItemMatte(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, AEGP_ItemH item,
                     const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint16_t* raster, double range) {
  std::fill_n(raster, static_cast<std::int64_t>(w) * h, std::uint16_t{0});
  MatteRenderFrame frame(suites);
  if (!frame.RenderItem(in_data, layer, item, comp_time)) return false;
  const PF_EffectWorld& world = frame.world();

  const double dx = Ratio(in_data->downsample_x);
  const double dy = Ratio(in_data->downsample_y);
  A_Matrix4 matrix{};
  if (suites.LayerSuiteV11()->AEGP_GetLayerToWorldXform(layer, &comp_time, &matrix) != A_Err_NONE) return false;
  const auto& m = matrix.mat;
  const double det = m[0][0] * m[1][1] - m[1][0] * m[0][1];
  if (std::fabs(det) <= DEGENERATE_DETERMINANT) return false;

  // The item's corners, placed in the raster.
  const double item_w = dx > 0 ? world.width / dx : world.width;
  const double item_h = dy > 0 ? world.height / dy : world.height;
  const double corners[4][2] = {{0, 0}, {item_w, 0}, {0, item_h}, {item_w, item_h}};
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  for (int c = 0; c < 4; ++c) {
    const double x = (corners[c][0] * m[0][0] + corners[c][1] * m[1][0] + m[3][0]) * dx;
    const double y = (corners[c][0] * m[0][1] + corners[c][1] * m[1][1] + m[3][1]) * dy;
    min_x = c == 0 ? x : std::min(min_x, x);
    max_x = c == 0 ? x : std::max(max_x, x);
    min_y = c == 0 ? y : std::min(min_y, y);
    max_y = c == 0 ? y : std::max(max_y, y);
  }
  const std::int32_t x0 = Bound(std::floor(min_x) - 1, 0, w);
  const std::int32_t x1 = Bound(std::ceil(max_x) + 1, 0, w);
  const std::int32_t y0 = Bound(std::floor(min_y) - 1, 0, h);
  const std::int32_t y1 = Bound(std::ceil(max_y) + 1, 0, h);

  const std::int32_t ww = world.width;
  const std::int32_t wh = world.height;
  FloatPlane coverage, depth, distance;
  const bool planes = AllocateFloatPlane(coverage, ww, wh) && AllocateFloatPlane(depth, ww, wh) &&
                      AllocateFloatPlane(distance, ww, wh);
  if (planes) {
    ParallelFor(wh, ChannelToFloat16{static_cast<const std::uint8_t*>(world.data), world.rowbytes,
                                     static_cast<std::int32_t>(sizeof(PF_Pixel16)), ww, wh, 0, 0, CHANNEL_SCALE_16,
                                     coverage.data.get(), ww});
    DistanceFieldFromCoverage(coverage.data.get(), ww, wh, depth.data.get(), distance.data.get());
  }
  const float s = static_cast<float>(std::sqrt(std::fabs(det)));

  auto clamp_index = [](std::int64_t i, std::int32_t n) -> std::int32_t {
    return static_cast<std::int32_t>(i < 0 ? 0 : (i >= n ? n - 1 : i));
  };
  for (std::int32_t y = y0; y < y1; ++y) {
    std::uint16_t* row = raster + static_cast<std::int64_t>(y) * w;
    for (std::int32_t x = x0; x < x1; ++x) {
      const double X = (dx > 0 ? x / dx : x) - m[3][0];
      const double Y = (dy > 0 ? y / dy : y) - m[3][1];
      const double u = (X * m[1][1] - Y * m[1][0]) / det;
      const double v = (Y * m[0][0] - X * m[0][1]) / det;
      const double wx = u * dx;
      const double wy = v * dy;
      const double fi = std::floor(wx);
      const double fj = std::floor(wy);
      // Far outside the world every neighbour clamps to the border anyway.
      const auto i = IndexFromFloat<std::int64_t>(fi, -2, std::int64_t{ww} + 1);
      const auto j = IndexFromFloat<std::int64_t>(fj, -2, std::int64_t{wh} + 1);
      const auto fx = static_cast<float>(wx - fi);
      const auto fy = static_cast<float>(wy - fj);
      if (planes) {
        const float* d = distance.data.get();
        const std::int32_t i0 = clamp_index(i, ww), i1 = clamp_index(i + 1, ww);
        const std::int32_t j0 = clamp_index(j, wh), j1 = clamp_index(j + 1, wh);
        const float d00 = d[static_cast<std::int64_t>(j0) * ww + i0];
        const float d10 = d[static_cast<std::int64_t>(j0) * ww + i1];
        const float d01 = d[static_cast<std::int64_t>(j1) * ww + i0];
        const float d11 = d[static_cast<std::int64_t>(j1) * ww + i1];
        const float dd = ((1 - fx) * d00 + fx * d10) * (1 - fy) + ((1 - fx) * d01 + fx * d11) * fy;
        row[x] = MatteDistanceCode(dd, s, range);
      } else {
        const float a00 = Alpha16(world, i, j), a10 = Alpha16(world, i + 1, j);
        const float a01 = Alpha16(world, i, j + 1), a11 = Alpha16(world, i + 1, j + 1);
        const float a = ((1 - fx) * a00 + fx * a10) * (1 - fy) + ((1 - fx) * a01 + fx * a11) * fy;
        row[x] = IndexFromFloat<std::uint16_t>(a + 0.5f, 0, 32768);
      }
    }
  }
  return true;
}
