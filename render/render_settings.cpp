#include "render/render_settings.h"

#include <cmath>
#include <cstring>

#include "geometry/bounded_values.h"
#include "geometry/slot_bounds.h"

namespace {

// The record is ours, but it crosses the host; a damaged value must not
// reach the geometry. Lengths, scales and angles are held as the pre-render
// holds them. A control keeps a NaN, which every stage meets with its own
// rule (a NaN Light Intensity is no pass-through), and an infinity or a
// huge value is held to the control limit.
double Control(double v) { return std::isnan(v) ? v : Bounded(v, CONTROL_LIMIT, 0.0); }
// A downsample factor above this is no host's; lengths times it stay finite.
constexpr double DOWNSAMPLE_LIMIT = 1000.0;
double Downsample(double v) { return v > 0.0 ? Bounded(v, DOWNSAMPLE_LIMIT, 1.0) : 1.0; }

void HoldRotation(double& c, double& s) {
  if (!std::isfinite(c) || !std::isfinite(s)) {
    c = 1.0;
    s = 0.0;
  }
}

}  // namespace

void ReadRenderSettings(const void* record, RenderSettings& s) {
  PreRenderHeader h;
  std::memcpy(&h, record, sizeof h);
  s.refraction = Control(h.refraction);
  s.depth = Control(h.depth);
  s.splay = Control(h.splay);
  s.frost = Control(h.frost);
  s.dispersion = Control(h.dispersion);
  s.light_angle_deg = Control(h.light_angle_deg);
  s.light_intensity = Control(h.light_intensity);
  s.magnify = Control(h.magnify);
  s.rim_scale = Control(h.rim_scale);
  s.effect_scale = Control(h.effect_scale);
  s.scale_x_pct = BoundedScalePct(h.scale_x_pct);
  s.scale_y_pct = BoundedScalePct(h.scale_y_pct);
  s.downsample_x = Downsample(h.downsample_x);
  s.downsample_y = Downsample(h.downsample_y);
  s.anchor_x = BoundedLength(h.anchor_x) * s.downsample_x;
  s.anchor_y = BoundedLength(h.anchor_y) * s.downsample_y;
  s.position_x = BoundedLength(h.position_x) * s.downsample_x;
  s.position_y = BoundedLength(h.position_y) * s.downsample_y;
  s.rotation_cos = h.rotation_cos;
  s.rotation_sin = h.rotation_sin;
  HoldRotation(s.rotation_cos, s.rotation_sin);
  s.is_adjustment_layer = h.is_adjustment_layer;
  s.shape_count = h.shape_count;
  s.merge_mode = h.merge_mode;
  s.slots_are_masks = h.slots_are_masks;
  s.is_source_box = h.is_source_box;
  s.is_vector_layer = h.is_vector_layer;
  s.matte_valid = h.matte_valid;
  s.matte_width = h.matte_width;
  s.matte_height = h.matte_height;
  s.matte_is_distance = h.matte_is_distance;
  s.deep = h.deep;
  s.record_read = true;

  const auto* slot_bytes = static_cast<const std::uint8_t*>(record) + SHAPE_SLOTS_OFFSET;
  const int copied = s.CopiedSlotCount();
  for (int i = 0; i < copied; ++i) {
    ShapeSlot& slot = s.slots[i];
    std::memcpy(&slot, slot_bytes + static_cast<std::size_t>(i) * SHAPE_SLOT_SIZE, sizeof slot);
    BoundSlotValues(slot);
    HoldRotation(slot.rot_cos, slot.rot_sin);
    slot.center_x *= s.downsample_x;
    slot.size_x *= s.downsample_x;
    slot.outer_radius *= s.downsample_x;
    slot.inner_radius *= s.downsample_x;
    slot.corner_radius *= s.downsample_x;
    slot.center_y *= s.downsample_y;
    slot.size_y *= s.downsample_y;
    // A record never holds more than 512 points per slot; the bound keeps a
    // damaged count from reaching past the array.
    const std::uint32_t points = slot.point_count < MAX_SLOT_POINTS ? slot.point_count : MAX_SLOT_POINTS;
    slot.point_count = points;
    for (std::uint32_t p = 0; p < points; ++p) {
      slot.points[2 * p] = static_cast<float>(BoundedLength(slot.points[2 * p]) * s.downsample_x);
      slot.points[2 * p + 1] = static_cast<float>(BoundedLength(slot.points[2 * p + 1]) * s.downsample_y);
    }
    if (slot.subpath_count > static_cast<std::uint32_t>(MAX_SUBPATHS)) slot.subpath_count = MAX_SUBPATHS;
  }
}
