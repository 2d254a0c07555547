// One frame that the host renders for the matte: render options made from
// an item (or a layer), the time converted into the layer's time, the
// pixel type and the downsample factor set, the frame rendered and checked
// out, and its world filled out as an effect world. Whatever was made is
// released when the object goes: the frame checked in, the options
// disposed, on every path.
#pragma once
#include "host/aegp_render_types.h"
#include "host/aegp_types.h"
#include "host/pf_effect_world.h"
#include "host/pf_in_data.h"

class SuiteHandler;

// The host's downsample factor for one axis of PF_InData's downsample
// (num / den of a full-resolution pixel): den / num in whole numbers when
// num is above 0, else 1; never below 1.
A_short MatteDownsampleFactor(const PF_RationalScale& downsample);

class MatteRenderFrame {
 public:
  explicit MatteRenderFrame(SuiteHandler& suites);
  ~MatteRenderFrame();
  MatteRenderFrame(const MatteRenderFrame&) = delete;
  MatteRenderFrame& operator=(const MatteRenderFrame&) = delete;

  // Render `item` (its time taken from `layer`) as a 16-bit frame with a
  // straight matte. False on any host failure or a frame without pixels.
  bool RenderItem(const PF_InData* in_data, AEGP_LayerH layer, AEGP_ItemH item, const A_Time& comp_time);
  // Render `layer` on its own, as a frame of the given pixel type.
  bool RenderLayer(const PF_InData* in_data, AEGP_LayerH layer, const A_Time& comp_time, AEGP_WorldType type);

  // The checked-out frame; valid after a successful render.
  const PF_EffectWorld& world() const { return world_; }
  AEGP_FrameReceiptH receipt() const { return receipt_; }

 private:
  bool LayerTime(AEGP_LayerH layer, const A_Time& comp_time, A_Time* layer_time);
  bool TakeWorld(AEGP_WorldType type);

  SuiteHandler& suites_;
  AEGP_RenderOptionsH item_options_ = nullptr;
  AEGP_LayerRenderOptionsH layer_options_ = nullptr;
  AEGP_FrameReceiptH receipt_ = nullptr;
  PF_EffectWorld world_{};
};
