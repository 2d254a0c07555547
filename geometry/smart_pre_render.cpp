// The smart pre-render: reads the effect layer's panes (shape contents,
// else masks, else the box of its source), its transform through its
// parents and the ten controls into the pre-render record, hands the record
// to the host, checks out the input grown by the refraction margin and feeds
// the render-cache key. Lengths are in layer pixels at full resolution,
// angles in degrees in the record (radians while composing).
#include "geometry/smart_pre_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "geometry/control_checkout.h"
#include "geometry/effect_layer.h"
#include "geometry/input_request.h"
#include "geometry/layer_transform_chain.h"
#include "geometry/mask_slots.h"
#include "geometry/matte_choice.h"
#include "geometry/pre_render_data.h"
#include "geometry/pre_render_record.h"
#include "geometry/record_matte.h"
#include "geometry/render_cache_key.h"
#include "geometry/shape_contents_reader.h"
#include "geometry/source_box.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_dynamic_stream_suite5.h"
#include "host/suites/aegp_stream_suite10.h"
#include "render/portable_math.h"
#include "shell/suite_handler.h"

namespace {

// Degrees times pi, then over 180, in that order.
double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
constexpr A_short DEEP_BIT_DEPTH = 16;

double Downsample(const PF_RationalScale& s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

// The layer's shape contents into the staging slots; the root stream is
// disposed on every path.
std::uint32_t ReadLayerShapes(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, ShapeSlot* staged,
                              std::uint32_t* merge_mode) {
  const AEGP_DynamicStreamSuite5* dynamic = suites.DynamicStreamSuiteV5();
  const AEGP_StreamSuite10* streams = suites.StreamSuiteV10();
  AEGP_StreamRefH root = nullptr;
  if (dynamic->AEGP_GetNewStreamRefForLayer == nullptr ||
      dynamic->AEGP_GetNewStreamRefForLayer(0, layer, &root) != A_Err_NONE || root == nullptr) {
    return 0;
  }
  struct RootGuard {
    const AEGP_StreamSuite10* suite;
    AEGP_StreamRefH root;
    ~RootGuard() {
      if (suite->AEGP_DisposeStream != nullptr) suite->AEGP_DisposeStream(root);
    }
  } guard{streams, root};
  std::uint32_t mode = 0;
  const int n = ReadShapeContents(suites, root, in_data, staged, MAX_SHAPE_SLOTS, &mode);
  *merge_mode = mode;
  return static_cast<std::uint32_t>(std::clamp(n, 0, MAX_SHAPE_SLOTS));
}

}  // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData*, PF_PreRenderExtra* extra) {
  // The output record is written on every road, so it is as necessary as
  // the input and the callbacks.
  if (extra == nullptr || extra->input == nullptr || extra->cb == nullptr || extra->output == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  SuiteHandler suites(in_data->pica_basicP);
  const bool deep = extra->input->bitdepth >= DEEP_BIT_DEPTH;

  ControlCheckout controls(in_data);
  PF_Err err = controls.CheckOut();
  const bool checkout_failed = err != PF_Err_NONE;
  const ControlValues values = controls.Values();

  ShapeSlot staged[MAX_SHAPE_SLOTS];
  std::memset(staged, 0, sizeof staged);
  std::uint32_t shape_count = 0;
  std::uint32_t merge_mode = 0;
  std::uint32_t slots_are_masks = 0;
  std::uint32_t is_source_box = 0;
  AEGP_ItemH own_matte_source = nullptr;

  AEGP_LayerH layer = GetEffectLayer(suites, in_data);
  if (layer != nullptr) shape_count = ReadLayerShapes(suites, in_data, layer, staged, &merge_mode);

  const LayerTransform transform = ReadLayerTransformChain(suites, in_data, layer);

  if (shape_count == 0) {
    const MaskSlots masks = ReadMaskSlots(suites, in_data, layer, staged);
    if (masks.outcome == MaskSlotsOutcome::READ && masks.filled > 0) {
      shape_count = masks.filled;
      merge_mode = 1;
      slots_are_masks = 1;
    } else if (masks.outcome == MaskSlotsOutcome::NO_MASK_WITH_MODE) {
      const SourceBox box = ReadSourceBox(suites, in_data, layer);
      own_matte_source = box.own_matte_source;
      ShapeSlot& slot = staged[0];
      std::memset(&slot, 0, sizeof slot);
      slot.kind = SHAPE_BOX;
      slot.center_x = box.width / 2.0;
      slot.center_y = box.height / 2.0;
      slot.size_x = box.width;
      slot.size_y = box.height;
      shape_count = 1;
      merge_mode = 0;
      is_source_box = 1;
    }
  }

  const double layer_angle = portable_math::Atan2(transform.rotation_sin, transform.rotation_cos);
  for (std::uint32_t i = 0; i < shape_count; ++i) {
    const double angle = Radians(staged[i].rotation_deg) + layer_angle;
    staged[i].rot_cos = portable_math::Cos(angle);
    staged[i].rot_sin = portable_math::Sin(angle);
  }

  if (!checkout_failed) err = controls.CheckIn();

  PreRenderRecordHandle record(suites);
  bool have_record = false;
  if (err == PF_Err_NONE) {
    const AEGP_LayerFlags flags = GetLayerFlags(suites, layer);
    const AEGP_ObjectType object_type = GetLayerObjectType(suites, layer);
    PreRenderHeader header{};
    header.refraction = values.refraction;
    header.depth = values.depth;
    header.splay = values.splay;
    header.frost = values.frost;
    header.dispersion = values.dispersion;
    header.light_angle_deg = values.light_angle_deg;
    header.light_intensity = values.light_intensity;
    header.magnify = values.magnify;
    header.rim_scale = values.rim_scale;
    header.margin_px = MarginPx(values.refraction, values.depth, values.effect_scale);
    header.layer_width = in_data->width;
    header.layer_height = in_data->height;
    header.effect_scale = values.effect_scale;
    header.scale_x_pct = transform.scale_x_pct;
    header.scale_y_pct = transform.scale_y_pct;
    header.anchor_x = transform.anchor_x;
    header.anchor_y = transform.anchor_y;
    header.downsample_x = Downsample(in_data->downsample_x);
    header.downsample_y = Downsample(in_data->downsample_y);
    header.rotation_cos = transform.rotation_cos;
    header.rotation_sin = transform.rotation_sin;
    header.position_x = transform.position_x;
    header.position_y = transform.position_y;
    header.is_adjustment_layer = (flags & AEGP_LayerFlag_ADJUSTMENT_LAYER) != 0 ? 1 : 0;
    header.shape_count = shape_count;
    header.merge_mode = merge_mode;
    header.slots_are_masks = slots_are_masks;
    header.is_source_box = is_source_box;
    header.is_vector_layer = (object_type == AEGP_ObjectType_TEXT || object_type == AEGP_ObjectType_VECTOR ||
                              (flags & AEGP_LayerFlag_COLLAPSE) != 0)
                                 ? 1
                                 : 0;
    // The matte: chosen now, sized into the record, rendered once the
    // header is written.
    const MatteChoice matte = header.is_adjustment_layer != 0 && object_type != AEGP_ObjectType_TEXT
                                  ? ChooseMatte(suites, in_data, layer, own_matte_source, deep ? 2u : 1u)
                                  : MatteChoice{};
    header.matte_valid = 0;
    header.matte_width = matte.width;
    header.matte_height = matte.height;
    header.deep = deep ? 1 : 0;
    header.matte_is_distance = 0;

    void* memory = record.Create(MATTE_RASTER_OFFSET + matte.raster_bytes);
    if (memory != nullptr) {
      WritePreRenderRecord(memory, header, staged, shape_count);
      RenderRecordMatte(suites, in_data, matte, deep, values.rim_scale, values.effect_scale, values.depth, memory);
      record.Unlock();
      have_record = true;
    }

    PF_RenderRequest request = extra->input->output_request;
    request.rect = GrowInputRequest(request.rect, header.margin_px, in_data->width, in_data->height);
    PF_CheckoutResult checkout{};
    err = extra->cb->checkout_layer != nullptr
              ? extra->cb->checkout_layer(in_data->effect_ref, 0, 0, &request, in_data->current_time,
                                          in_data->time_step, in_data->time_scale, &checkout)
              : PF_Err_BAD_CALLBACK_PARAM;
  }

  if (extra->cb->GuidMixInPtr != nullptr) {
    FeedRenderCacheKey(suites, in_data, extra->cb->GuidMixInPtr, staged, shape_count);
  }
  PF_PreRenderOutput* output = extra->output;
  output->solid = 0;
  const PF_LRect requested = extra->input->output_request.rect;
  output->result_rect = requested;
  output->max_result_rect = MaxResultRect(requested, in_data->width, in_data->height);
  // Handed over last: until here an exception disposes the record.
  if (have_record) {
    output->pre_render_data = record.Release();
    output->delete_pre_render_data_func = DeletePreRenderData;
  }
  return err;
}
