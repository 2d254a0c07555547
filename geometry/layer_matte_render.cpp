#include "geometry/layer_matte_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/matte_render_frame.h"
#include "host/pf_effect_world.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_render_suite8.h"
#include "shell/suite_handler.h"

namespace {

double Ratio(const PF_RationalScale& s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

// The matte value of one premultiplied pixel, before inversion.
template <typename Pixel>
std::uint32_t MatteValue(const Pixel& p, bool luma, std::uint32_t full) {
  std::uint32_t v = p.alpha;
  if (luma) {
    const auto a = static_cast<float>(p.alpha);
    const float r = std::min(static_cast<float>(p.red), a);
    const float g = std::min(static_cast<float>(p.green), a);
    const float b = std::min(static_cast<float>(p.blue), a);
    v = static_cast<std::uint32_t>(std::trunc(0.587f * g + 0.299f * r + 0.114f * b + 0.5f));
  }
  return std::min(v, full);
}

template <typename Pixel, typename Value>
bool RenderLayerMatte(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, A_long mode,
                      const A_Time& comp_time, std::int32_t w, std::int32_t h, Value* raster, AEGP_WorldType type,
                      std::uint32_t full) {
  const bool inverted = MatteModeInverted(mode);
  const bool luma = MatteModeLuma(mode);
  std::fill_n(raster, static_cast<std::int64_t>(w) * h, static_cast<Value>(inverted ? full : 0));
  MatteRenderFrame frame(suites);
  if (!frame.RenderLayer(in_data, layer, comp_time, type)) return false;
  const PF_EffectWorld& world = frame.world();

  // Where the render lands: its rendered region, or for an ordinary layer
  // the translation of its matrix.
  std::int64_t origin_x = 0;
  std::int64_t origin_y = 0;
  A_LRect region{0, 0, 0, 0};
  if (suites.RenderSuiteV8()->AEGP_GetRenderedRegion(frame.receipt(), &region) == A_Err_NONE) {
    origin_x = region.left;
    origin_y = region.top;
  }
  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  AEGP_ObjectType object_type = AEGP_ObjectType_NONE;
  A_Matrix4 matrix{};
  if (layers->AEGP_GetLayerObjectType(layer, &object_type) == A_Err_NONE && object_type == AEGP_ObjectType_AV &&
      layers->AEGP_GetLayerToWorldXform(layer, &comp_time, &matrix) == A_Err_NONE) {
    const double tx = std::clamp(matrix.mat[3][0] * Ratio(in_data->downsample_x) + 0.5, -1e15, 1e15);
    const double ty = std::clamp(matrix.mat[3][1] * Ratio(in_data->downsample_y) + 0.5, -1e15, 1e15);
    origin_x = static_cast<std::int64_t>(std::trunc(tx));
    origin_y = static_cast<std::int64_t>(std::trunc(ty));
  }

  for (A_long r = 0; r < world.height; ++r) {
    const std::int64_t ry = origin_y + r;
    if (ry < 0 || ry >= h) continue;
    const auto* src = static_cast<const std::uint8_t*>(world.data) + static_cast<std::int64_t>(r) * world.rowbytes;
    Value* dst = raster + ry * w;
    for (A_long c = 0; c < world.width; ++c) {
      const std::int64_t rx = origin_x + c;
      if (rx < 0 || rx >= w) continue;
      Pixel p;
      std::memcpy(&p, src + static_cast<std::int64_t>(c) * static_cast<std::int64_t>(sizeof(Pixel)), sizeof p);
      const std::uint32_t v = MatteValue(p, luma, full);
      dst[rx] = static_cast<Value>(inverted ? full - v : v);
    }
  }
  return true;
}

}  // namespace

bool RenderLayerMatte16(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH matte_layer, A_long mode,
                        const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint16_t* raster) {
  return RenderLayerMatte<PF_Pixel16>(suites, in_data, matte_layer, mode, comp_time, w, h, raster, AEGP_WorldType_16,
                                      PF_MAX_CHAN16);
}

bool RenderLayerMatte8(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH matte_layer, A_long mode,
                       const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint8_t* raster) {
  return RenderLayerMatte<PF_Pixel8>(suites, in_data, matte_layer, mode, comp_time, w, h, raster, AEGP_WorldType_8,
                                     PF_MAX_CHAN8);
}
