#include "geometry/layer_transform_chain.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "geometry/layer_stream_value.h"
#include "host/aegp_stream_types.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite13.h"
#include "render/portable_math.h"
#include "shell/suite_handler.h"

namespace {

// Degrees times pi, then over 180: the product is formed first, so the
// radians match the other readers' to the bit.
double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// The composition time of the layer's current time: current time plus the
// layer's offset, rounded to the frame's time scale. When the offset cannot
// be had (or either scale is 0) the layer time itself is used.
A_Time CompositionTime(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer) {
  const A_Time layer_time{in_data->current_time, in_data->time_scale};
  const AEGP_LayerSuite13* layers = suites.LayerSuiteV13();
  A_Time offset{0, 1};
  if (layers->AEGP_GetLayerOffset == nullptr || layers->AEGP_GetLayerOffset(layer, &offset) != A_Err_NONE ||
      offset.scale == 0 || in_data->time_scale == 0) {
    return layer_time;
  }
  const double scale = static_cast<double>(in_data->time_scale);
  const double seconds =
      static_cast<double>(in_data->current_time) / scale + static_cast<double>(offset.value) / offset.scale;
  const double ticks = std::trunc(seconds * scale + 0.5);
  if (!(ticks >= INT32_MIN && ticks <= INT32_MAX)) return layer_time;
  return A_Time{static_cast<A_long>(ticks), in_data->time_scale};
}

AEGP_LayerH ParentOf(SuiteHandler& suites, AEGP_LayerH layer) {
  const AEGP_LayerSuite13* layers = suites.LayerSuiteV13();
  AEGP_LayerH parent = nullptr;
  if (layers->AEGP_GetLayerParent == nullptr || layers->AEGP_GetLayerParent(layer, &parent) != A_Err_NONE) {
    return nullptr;
  }
  return parent;
}

}  // namespace

LayerTransform ReadLayerTransformChain(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer) {
  LayerTransform t;
  t.anchor_x = static_cast<double>(in_data->width) / 2.0;
  t.anchor_y = static_cast<double>(in_data->height) / 2.0;
  double own_rotation_deg = 0.0;
  if (layer != nullptr) {
    const A_Time time{in_data->current_time, in_data->time_scale};
    double unused = 0.0;
    ReadLayerStreamValue(suites, layer, AEGP_LayerStream_ROTATION, AEGP_LTimeMode_LayerTime, time, false,
                         &own_rotation_deg, &unused);
    ReadLayerStreamValue(suites, layer, AEGP_LayerStream_ANCHORPOINT, AEGP_LTimeMode_LayerTime, time, true,
                         &t.anchor_x, &t.anchor_y);
    ReadLayerStreamValue(suites, layer, AEGP_LayerStream_POSITION, AEGP_LTimeMode_LayerTime, time, true,
                         &t.position_x, &t.position_y);
    ReadLayerStreamValue(suites, layer, AEGP_LayerStream_SCALE, AEGP_LTimeMode_LayerTime, time, true,
                         &t.scale_x_pct, &t.scale_y_pct);
  }
  const double own_angle = Radians(own_rotation_deg);
  const double own_cos = portable_math::Cos(own_angle);
  const double own_sin = portable_math::Sin(own_angle);

  double rotation_sum = 0.0;
  double factor_x = 1.0;
  double factor_y = 1.0;
  int parent_count = 0;
  AEGP_LayerH parent = layer != nullptr ? ParentOf(suites, layer) : nullptr;
  if (parent != nullptr) {
    const A_Time comp_time = CompositionTime(suites, in_data, layer);
    double px = t.position_x;
    double py = t.position_y;
    for (int depth = 0; parent != nullptr && depth < PARENT_CHAIN_LIMIT; ++depth) {
      double pos_x = 0.0, pos_y = 0.0, scale_x = 100.0, scale_y = 100.0, rot_deg = 0.0, anc_x = 0.0, anc_y = 0.0;
      double unused = 0.0;
      ReadLayerStreamValue(suites, parent, AEGP_LayerStream_POSITION, AEGP_LTimeMode_CompTime, comp_time, true,
                           &pos_x, &pos_y);
      ReadLayerStreamValue(suites, parent, AEGP_LayerStream_SCALE, AEGP_LTimeMode_CompTime, comp_time, true,
                           &scale_x, &scale_y);
      ReadLayerStreamValue(suites, parent, AEGP_LayerStream_ROTATION, AEGP_LTimeMode_CompTime, comp_time, false,
                           &rot_deg, &unused);
      ReadLayerStreamValue(suites, parent, AEGP_LayerStream_ANCHORPOINT, AEGP_LTimeMode_CompTime, comp_time, true,
                           &anc_x, &anc_y);
      const double x = (px - anc_x) * scale_x / 100.0;
      const double y = (py - anc_y) * scale_y / 100.0;
      const double a = Radians(rot_deg);
      px = portable_math::Cos(a) * x - portable_math::Sin(a) * y + pos_x;
      py = portable_math::Cos(a) * y + portable_math::Sin(a) * x + pos_y;
      rotation_sum += a;
      factor_x *= scale_x / 100.0;
      factor_y *= scale_y / 100.0;
      ++parent_count;
      parent = ParentOf(suites, parent);
    }
    t.position_x = px;
    t.position_y = py;
  }
  t.scale_x_pct *= factor_x;
  t.scale_y_pct *= factor_y;
  if (parent_count == 0) {
    // Without a parent the own angle stands as read: a round trip through
    // atan2 could move its cosine or sine by a bit.
    t.rotation_cos = own_cos;
    t.rotation_sin = own_sin;
    return t;
  }
  const double total = portable_math::Atan2(own_sin, own_cos) + rotation_sum;
  t.rotation_cos = portable_math::Cos(total);
  t.rotation_sin = portable_math::Sin(total);
  return t;
}
