#include "render/render_settings.h"

#include <cstring>

void ReadRenderSettings(const void* record, RenderSettings& s) {
  PreRenderHeader h;
  std::memcpy(&h, record, sizeof h);
  s.refraction = h.refraction;
  s.depth = h.depth;
  s.splay = h.splay;
  s.frost = h.frost;
  s.dispersion = h.dispersion;
  s.light_angle_deg = h.light_angle_deg;
  s.light_intensity = h.light_intensity;
  s.magnify = h.magnify;
  s.rim_scale = h.rim_scale;
  s.effect_scale = h.effect_scale;
  s.scale_x_pct = h.scale_x_pct;
  s.scale_y_pct = h.scale_y_pct;
  s.downsample_x = h.downsample_x > 0.0 ? h.downsample_x : 1.0;
  s.downsample_y = h.downsample_y > 0.0 ? h.downsample_y : 1.0;
  s.anchor_x = h.anchor_x * s.downsample_x;
  s.anchor_y = h.anchor_y * s.downsample_y;
  s.position_x = h.position_x * s.downsample_x;
  s.position_y = h.position_y * s.downsample_y;
  s.rotation_cos = h.rotation_cos;
  s.rotation_sin = h.rotation_sin;
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
      slot.points[2 * p] = static_cast<float>(slot.points[2 * p] * s.downsample_x);
      slot.points[2 * p + 1] = static_cast<float>(slot.points[2 * p + 1] * s.downsample_y);
    }
    if (slot.subpath_count > static_cast<std::uint32_t>(MAX_SUBPATHS)) slot.subpath_count = MAX_SUBPATHS;
  }
}
