#include "geometry/record_matte.h"

#include <algorithm>
#include <cmath>

#include "geometry/item_matte_render.h"
#include "geometry/layer_matte_render.h"
#include "geometry/matte_distance_code.h"
#include "geometry/pre_render_data.h"
#include "geometry/pre_render_nesting.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_pf_interface_suite1.h"
#include "shell/suite_handler.h"

double ItemMatteRange(double rim_scale, double effect_scale, double depth, const PF_RationalScale& downsample_y) {
  const double ratio =
      downsample_y.den == 0 ? 1.0 : static_cast<double>(downsample_y.num) / static_cast<double>(downsample_y.den);
  const double dy = ratio > 0 ? ratio : 1.0;
  const double scale_factor = std::max(0.2, 2.0 * effect_scale);
  const double pad = 24.0 + std::trunc(2.0 * scale_factor * depth * dy);
  return std::max(std::max(1.0, rim_scale * effect_scale) * 16.0, 2.0 * pad);
}

void RenderRecordMatte(SuiteHandler& suites, const PF_InData* in_data, const MatteChoice& choice, bool deep,
                       double rim_scale, double effect_scale, double depth, void* record) {
  if (choice.kind == MatteRenderKind::NONE || choice.raster_bytes == 0 || !MatteRenderAllowed()) return;
  PreRenderNestingScope nesting;
  A_Time comp_time{0, 1};
  if (suites.PFInterfaceSuiteV1()->AEGP_ConvertEffectToCompTime(in_data->effect_ref, in_data->current_time,
                                                                 in_data->time_scale, &comp_time) != A_Err_NONE) {
    return;
  }
  auto* header = static_cast<PreRenderHeader*>(record);
  auto* raster = static_cast<std::uint8_t*>(record) + MATTE_RASTER_OFFSET;
  const auto w = static_cast<std::int32_t>(choice.width);
  const auto h = static_cast<std::int32_t>(choice.height);
  if (choice.kind == MatteRenderKind::ITEM) {
    auto* codes = reinterpret_cast<std::uint16_t*>(raster);
    const double range = ItemMatteRange(rim_scale, effect_scale, depth, in_data->downsample_y);
    if (!RenderItemMatte(suites, in_data, choice.layer, choice.item, comp_time, w, h, codes, range)) return;
    const std::int64_t n = static_cast<std::int64_t>(w) * h;
    const std::int64_t inside = std::count_if(codes, codes + n, [](std::uint16_t c) { return c > MATTE_EDGE_CODE; });
    if (static_cast<double>(inside) / static_cast<double>(n) < MATTE_FULL_COVERAGE) {
      header->matte_is_distance = 1;
      header->matte_valid = 1;
    }
    return;
  }
  const bool ok = deep ? RenderLayerMatte16(suites, in_data, choice.layer, choice.mode, comp_time, w, h,
                                            reinterpret_cast<std::uint16_t*>(raster))
                       : RenderLayerMatte8(suites, in_data, choice.layer, choice.mode, comp_time, w, h, raster);
  if (ok) header->matte_valid = 1;
}
