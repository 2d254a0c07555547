#include "geometry/matte_render_frame.h"

#include <limits>

#include "host/pf_errors.h"
#include "host/suites/aegp_layer_render_options_suite2.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_render_options_suite3.h"
#include "host/suites/aegp_render_suite8.h"
#include "host/suites/aegp_world_suite3.h"
#include "shell/plugin_globals.h"
#include "shell/suite_handler.h"

A_short MatteDownsampleFactor(const PF_RationalScale& downsample) {
  if (downsample.num <= 0) return 1;
  const A_u_long factor = downsample.den / static_cast<A_u_long>(downsample.num);
  if (factor < 1) return 1;
  // The host takes the factor as a 16-bit number.
  constexpr A_u_long MAX_FACTOR = std::numeric_limits<A_short>::max();
  return static_cast<A_short>(factor > MAX_FACTOR ? MAX_FACTOR : factor);
}

MatteRenderFrame::MatteRenderFrame(SuiteHandler& suites) : suites_(suites) {}

MatteRenderFrame::~MatteRenderFrame() {
  if (receipt_ != nullptr) suites_.RenderSuiteV8()->AEGP_CheckinFrame(receipt_);
  if (item_options_ != nullptr) suites_.RenderOptionsSuiteV3()->AEGP_Dispose(item_options_);
  if (layer_options_ != nullptr) suites_.LayerRenderOptionsSuiteV2()->AEGP_Dispose(layer_options_);
}

bool MatteRenderFrame::LayerTime(AEGP_LayerH layer, const A_Time& comp_time, A_Time* layer_time) {
  *layer_time = comp_time;
  return suites_.LayerSuiteV11()->AEGP_ConvertCompToLayerTime(layer, &comp_time, layer_time) == A_Err_NONE;
}

bool MatteRenderFrame::TakeWorld(AEGP_WorldType type) {
  AEGP_WorldH world = nullptr;
  if (suites_.RenderSuiteV8()->AEGP_GetReceiptWorld(receipt_, &world) != A_Err_NONE || world == nullptr) {
    return false;
  }
  if (suites_.WorldSuiteV3()->AEGP_FillOutPFEffectWorld(world, &world_) != A_Err_NONE) return false;
  if (world_.data == nullptr || world_.width <= 0 || world_.height <= 0) return false;
  // The pixels are read as the type asked for: a world of another depth,
  // or rows shorter than its width, would be read past its end.
  const bool deep = (world_.world_flags & PF_WorldFlag_DEEP) != 0;
  const A_long pixel_bytes = type == AEGP_WorldType_16 ? 8 : 4;
  if (deep != (type == AEGP_WorldType_16)) return false;
  return world_.rowbytes >= static_cast<std::int64_t>(world_.width) * pixel_bytes;
}

bool MatteRenderFrame::RenderItem(const PF_InData* in_data, AEGP_LayerH layer, AEGP_ItemH item,
                                  const A_Time& comp_time) {
  const AEGP_RenderOptionsSuite3* options = suites_.RenderOptionsSuiteV3();
  if (options->AEGP_NewFromItem(g_plugin_id, item, &item_options_) != A_Err_NONE || item_options_ == nullptr) {
    item_options_ = nullptr;
    return false;
  }
  A_Time time{};
  if (!LayerTime(layer, comp_time, &time)) return false;
  if (options->AEGP_SetTime(item_options_, time) != A_Err_NONE) return false;
  if (options->AEGP_SetWorldType(item_options_, AEGP_WorldType_16) != A_Err_NONE) return false;
  if (options->AEGP_SetMatteMode(item_options_, AEGP_MatteMode_STRAIGHT) != A_Err_NONE) return false;
  if (options->AEGP_SetDownsampleFactor(item_options_, MatteDownsampleFactor(in_data->downsample_x),
                                        MatteDownsampleFactor(in_data->downsample_y)) != A_Err_NONE) {
    return false;
  }
  if (suites_.RenderSuiteV8()->AEGP_RenderAndCheckoutFrame(item_options_, nullptr, nullptr, &receipt_) !=
          A_Err_NONE ||
      receipt_ == nullptr) {
    receipt_ = nullptr;
    return false;
  }
  return TakeWorld(AEGP_WorldType_16);
}

bool MatteRenderFrame::RenderLayer(const PF_InData* in_data, AEGP_LayerH layer, const A_Time& comp_time,
                                   AEGP_WorldType type) {
  const AEGP_LayerRenderOptionsSuite2* options = suites_.LayerRenderOptionsSuiteV2();
  if (options->AEGP_NewFromLayer(0, layer, &layer_options_) != A_Err_NONE || layer_options_ == nullptr) {
    layer_options_ = nullptr;
    return false;
  }
  A_Time time{};
  if (!LayerTime(layer, comp_time, &time)) return false;
  if (options->AEGP_SetTime(layer_options_, time) != A_Err_NONE) return false;
  if (options->AEGP_SetWorldType(layer_options_, type) != A_Err_NONE) return false;
  if (options->AEGP_SetDownsampleFactor(layer_options_, MatteDownsampleFactor(in_data->downsample_x),
                                        MatteDownsampleFactor(in_data->downsample_y)) != A_Err_NONE) {
    return false;
  }
  if (suites_.RenderSuiteV8()->AEGP_RenderAndCheckoutLayerFrame(layer_options_, nullptr, nullptr, &receipt_) !=
          A_Err_NONE ||
      receipt_ == nullptr) {
    receipt_ = nullptr;
    return false;
  }
  return TakeWorld(type);
}
