// The render pipeline frame, written once over the pixel type: reads the
// pre-render record, derives the working values, decides where the pane
// outline comes from, and either passes the input through or runs the
// stages (pane distance field, shading height, frost buffers, pane centre
// and regions, shading, frost bleed and copy-out, rim light). Every plane
// is owned here for the one call; the substitute input and the input layer
// checkout are settled on every return.
#include "render/render_refraction.h"

#include <cmath>

#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_pf_interface_suite1.h"
#include "host/suites/pf_handle_suite2.h"
#include "render/float_plane.h"
#include "render/frost_buffers.h"
#include "render/frost_step.h"
#include "render/matte_stage.h"
#include "render/pane_centre.h"
#include "render/pane_regions.h"
#include "render/pane_sources.h"
#include "render/parallel_for.h"
#include "render/pass_through.h"
#include "render/raster_field_planes.h"
#include "render/raster_path_field.h"
#include "render/refraction_shading.h"
#include "render/render_settings.h"
#include "render/rim_light.h"
#include "render/shading_height.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"
#include "render/supersampled_shapes_field.h"
#include "render/text_distance_field.h"
#include "shell/suite_handler.h"

namespace {

constexpr A_long INPUT_LAYER = 0;
constexpr float PASS_THROUGH_REFRACTION = 0.001f;
constexpr double PASS_THROUGH_FROST_PX = 0.5;

// The kernels that exist once per depth, chosen by the pixel type.
template <typename Pixel>
struct DepthKernels;

template <>
struct DepthKernels<PF_Pixel16> {
  static void Shade(const RefractionShadingInputs<PF_Pixel16>& in) { ShadeRefraction16(in); }
  static void Frost(PF_Pixel16* pixels, PF_Pixel16* scratch, std::int32_t w, std::int32_t h, std::int32_t radius,
                    PF_EffectWorld& output) {
    FrostAndCopyOut16(pixels, scratch, w, h, radius, output);
  }
};

template <>
struct DepthKernels<PF_Pixel8> {
  static void Shade(const RefractionShadingInputs<PF_Pixel8>& in) { ShadeRefraction8(in); }
  static void Frost(PF_Pixel8* pixels, PF_Pixel8* scratch, std::int32_t w, std::int32_t h, std::int32_t radius,
                    PF_EffectWorld& output) {
    FrostAndCopyOut8(pixels, scratch, w, h, radius, output);
  }
};

// The effect layer's object type, -1 when the host cannot tell.
A_long EffectLayerType(SuiteHandler& suites, PF_ProgPtr effect_ref) {
  AEGP_LayerH layer = nullptr;
  const AEGP_PFInterfaceSuite1* pf = suites.PFInterfaceSuiteV1();
  if (pf->AEGP_GetEffectLayer(effect_ref, &layer) != A_Err_NONE || layer == nullptr) return -1;
  AEGP_ObjectType type = -1;
  if (suites.LayerSuiteV11()->AEGP_GetLayerObjectType(layer, &type) != A_Err_NONE) return -1;
  return type;
}

bool AnySlotOfKind(const RenderSettings& s, bool (*pred)(std::uint32_t)) {
  const int n = s.CopiedSlotCount();
  for (int i = 0; i < n; ++i) {
    if (pred(s.slots[i].kind)) return true;
  }
  return false;
}

template <typename Pixel>
PF_Err RenderRefraction(PF_InData* in_data, PF_SmartRenderExtra* extra, PF_EffectWorld* input,
                        PF_EffectWorld* output, SubstitutePixels& substitute_pixels) {
  SuiteHandler suites(in_data->pica_basicP);
  PF_ProgPtr effect_ref = in_data->effect_ref;
  // Settled on every ordinary return; when an exception leaves, the caller
  // settles both instead.
  auto finish = [&](PF_Err err) {
    substitute_pixels.reset();
    extra->cb->checkin_layer_pixels(effect_ref, INPUT_LAYER);
    return err;
  };

  RenderSettings s;
  PF_Handle record = static_cast<PF_Handle>(extra->input->pre_render_data);
  if (record != nullptr) {
    const PF_HandleSuite2* handles = suites.HandleSuiteV2();
    const void* memory = handles->host_lock_handle(record);
    if (memory != nullptr) ReadRenderSettings(memory, s);
    handles->host_unlock_handle(record);
  }

  const double scale_factor = std::max(2.0 * s.effect_scale, 0.2);
  const double depth_px = scale_factor * s.depth * s.downsample_y;
  const double frost_px = s.frost * s.downsample_y;
  const PF_LRect& request = extra->input->output_request.rect;
  const std::int32_t request_offset_x = request.left - input->origin_x;
  const std::int32_t request_offset_y = request.top - input->origin_y;
  const std::int32_t w = output->width;
  const std::int32_t h = output->height;

  const A_long layer_type =
      s.shape_count == 0 && s.is_adjustment_layer != 0 ? EffectLayerType(suites, effect_ref) : -1;
  const PaneSources sources = DecidePaneSources(s, layer_type);

  const bool nothing_to_draw = std::fabs(static_cast<float>(s.refraction)) < PASS_THROUGH_REFRACTION &&
                               s.magnify == 0.0 && frost_px < PASS_THROUGH_FROST_PX &&
                               s.light_intensity <= RIM_LIGHT_MIN_INTENSITY;
  if (s.is_adjustment_layer == 0 || nothing_to_draw) {
    PassThrough<Pixel>(*input, *output, request_offset_x, request_offset_y);
    return finish(PF_Err_NONE);
  }

  // 1. The two planes every later stage needs.
  FloatPlane pane_depth;
  FloatPlane pane_distance;
  if (!AllocateFloatPlane(pane_depth, w, h) || !AllocateFloatPlane(pane_distance, w, h)) {
    return finish(PF_Err_OUT_OF_MEMORY);
  }
  // 2. The height plane, for shapes whose field is worth smoothing.
  FloatPlane pane_height;
  const bool want_height =
      s.shape_count >= 2 || sources.shapes_supersampled || sources.raster_source ||
      AnySlotOfKind(s, [](std::uint32_t k) { return k == SHAPE_POLYGON || k == SHAPE_STAR || k == SHAPE_PATH; });
  if (want_height) AllocateFloatPlane(pane_height, w, h);

  // 3. The pane distance field.
  PrimitiveFrame frame;
  frame.scale_x_pct = s.scale_x_pct;
  frame.scale_y_pct = s.scale_y_pct;
  frame.anchor_x = s.anchor_x;
  frame.anchor_y = s.anchor_y;
  frame.position_x = s.position_x;
  frame.position_y = s.position_y;
  frame.rotation_cos = s.rotation_cos;
  frame.rotation_sin = s.rotation_sin;
  frame.request_left = request.left;
  frame.request_top = request.top;
  frame.width = w;
  frame.height = h;
  FloatPlane* height_plane = pane_height.Empty() ? nullptr : &pane_height;
  RasterFieldPlanes raster_planes;
  MattePlanes matte_planes;
  if (!sources.raster_source) {
    ShapePrimitive primitives[MAX_SHAPE_SLOTS];
    const int n = BuildShapePrimitives(s.slots, s.CopiedSlotCount(), frame, primitives);
    if (sources.shapes_supersampled) {
      SupersampledShapesField(s.slots, s.CopiedSlotCount(), primitives, n, pane_depth, pane_distance, height_plane);
    } else {
      // The field reads a slot only below this count; min(count, 8) keeps a
      // damaged count above 2^31 from turning negative as an int.
      ShapeDistanceField(s.merge_mode, n, primitives, s.CopiedSlotCount(), s.slots, pane_depth, pane_distance,
                         height_plane);
    }
  } else {
    bool field_built = false;
    if (sources.path_source && s.shape_count >= 1) {
      field_built = RasterPathField(s.slots, s.CopiedSlotCount(), s.merge_mode, frame, pane_depth, pane_distance,
                                    height_plane, raster_planes);
    }
    if (sources.matte_source) {
      RunMatteStage<Pixel>(suites, MatteStageFrame{w, h, request, depth_px, record}, pane_depth, pane_distance,
                           pane_height, matte_planes);
    } else if (!field_built) {
      // Also after a path road that ran out of memory: such a layer has no
      // outlines, and the text road leaves no pane.
      TextDistanceField(in_data, suites, request, s.downsample_x, s.downsample_y, pane_depth, pane_distance,
                        height_plane, raster_planes);
    }
  }

  // 4. The surface height the shading reads.
  const FloatPlane& shade_height =
      PrepareShadeHeight(pane_depth, pane_height, sources.raster_source, sources.shapes_supersampled);

  // 5. Frost buffers.
  FrostBuffers<Pixel> frost = AllocateFrostBuffers<Pixel>(w, h, frost_px);
  const bool frost_on = frost.On();

  // 6. Pane centre and regions.
  const PaneCentre centre = FindPaneCentre(pane_depth);
  PaneRegions regions;
  if (PaneRegionsWanted(sources.raster_source, sources.paths_supersampled)) {
    regions = LabelPaneRegions(pane_depth, pane_distance, centre);
  }

  // 7. Shading.
  RefractionShadingInputs<Pixel> shading;
  shading.input = input;
  shading.output = output;
  shading.frost_pixels = frost_on ? frost.frost_pixels.get() : nullptr;
  shading.frost_on = frost_on;
  shading.shade_height = &shade_height;
  shading.pane_distance = &pane_distance;
  shading.pane_depth = &pane_depth;
  shading.request_offset_x = request_offset_x;
  shading.request_offset_y = request_offset_y;
  shading.quality = in_data->quality;
  shading.scale_factor = scale_factor;
  shading.depth_px = depth_px;
  shading.magnify = s.magnify;
  shading.splay = s.splay;
  shading.refraction = s.refraction;
  shading.dispersion = s.dispersion;
  shading.pane_centre_x = centre.pane_centre_x;
  shading.pane_centre_y = centre.pane_centre_y;
  shading.raster_source = sources.raster_source;
  shading.shapes_supersampled = sources.shapes_supersampled;
  shading.shape_count = s.shape_count;
  shading.merge_mode = s.merge_mode;
  DepthKernels<Pixel>::Shade(shading);

  // 8. Frost: bleed the shaded panes and copy them out.
  if (frost_on) {
    DepthKernels<Pixel>::Frost(frost.frost_pixels.get(), frost.frost_scratch.get(), w, h,
                               FrostBleedRadius(frost_px, scale_factor), *output);
    frost.Free();
  }

  // 9. Rim light, on this thread.
  if (RimLightRuns(s.light_intensity)) {
    RimLightSettings rim;
    rim.light_angle_deg = s.light_angle_deg;
    rim.light_intensity = s.light_intensity;
    rim.rim_scale = s.rim_scale;
    rim.scale_factor = scale_factor;
    rim.depth_px = depth_px;
    rim.downsample_y = s.downsample_y;
    rim.rotation_cos = s.rotation_cos;
    rim.rotation_sin = s.rotation_sin;
    RimLightInputs rim_inputs;
    rim_inputs.pane_depth = &pane_depth;
    rim_inputs.pane_distance = &pane_distance;
    rim_inputs.smooth_field = ViewOfPaddedPlane(raster_planes.smooth_field, raster_planes.margin);
    rim_inputs.gradient_x = ViewOfPaddedPlane(raster_planes.gradient_x, raster_planes.margin);
    rim_inputs.gradient_y = ViewOfPaddedPlane(raster_planes.gradient_y, raster_planes.margin);
    rim_inputs.centre = centre;
    rim_inputs.regions = regions.Labelled() ? &regions : nullptr;
    rim_inputs.matte_source = sources.matte_source;
    rim_inputs.raster_source = sources.raster_source;
    rim_inputs.paths_supersampled = sources.paths_supersampled;
    if (sources.matte_source) {
      rim_inputs.matte_smooth_field = ViewOfPaddedPlane(matte_planes.smooth_field, matte_planes.margin);
      rim_inputs.gradient_x = ViewOfPaddedPlane(matte_planes.gradient_x, matte_planes.margin);
      rim_inputs.gradient_y = ViewOfPaddedPlane(matte_planes.gradient_y, matte_planes.margin);
    }
    RimLightPass<Pixel>(*output, rim, rim_inputs);
  }

  // 10. The planes go with this frame; settle the input.
  return finish(PF_Err_NONE);
}

}  // namespace

PF_Err RenderRefraction16(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra, PF_EffectWorld* input,
                          PF_EffectWorld* output, SubstitutePixels& substitute_pixels) {
  return RenderRefraction<PF_Pixel16>(in_data, extra, input, output, substitute_pixels);
}

PF_Err RenderRefraction8(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra, PF_EffectWorld* input,
                         PF_EffectWorld* output, SubstitutePixels& substitute_pixels) {
  return RenderRefraction<PF_Pixel8>(in_data, extra, input, output, substitute_pixels);
}
