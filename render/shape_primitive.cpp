#include "render/shape_primitive.h"

#include <algorithm>

int BuildShapePrimitives(ShapeSlot* slots, int shape_count, const PrimitiveFrame& frame,
                         ShapePrimitive primitives[MAX_SHAPE_SLOTS]) {
  const float w = static_cast<float>(frame.width);
  const float h = static_cast<float>(frame.height);
  if (shape_count <= 0) {
    ShapePrimitive box;
    box.kind = SHAPE_BOX;
    box.center_x = (w - 1.0f) * 0.5f;
    box.center_y = (h - 1.0f) * 0.5f;
    box.half_width = 2.0f * w;
    box.half_height = 2.0f * h;
    box.points = 0;
    primitives[0] = box;
    return 1;
  }
  const float sx = static_cast<float>(std::max(0.01, frame.scale_x_pct / 100.0));
  const float sy = static_cast<float>(std::max(0.01, frame.scale_y_pct / 100.0));
  const float k = (sx + sy) * 0.5f;
  const float cl = static_cast<float>(frame.rotation_cos);
  const float sl = static_cast<float>(frame.rotation_sin);
  const float anchor_x = static_cast<float>(frame.anchor_x);
  const float anchor_y = static_cast<float>(frame.anchor_y);
  const float position_x = static_cast<float>(frame.position_x);
  const float position_y = static_cast<float>(frame.position_y);
  const float left = static_cast<float>(frame.request_left);
  const float top = static_cast<float>(frame.request_top);
  const int n = std::min(shape_count, MAX_SHAPE_SLOTS);
  for (int i = 0; i < n; ++i) {
    ShapeSlot& slot = slots[i];
    ShapePrimitive p;
    const float dx = (static_cast<float>(slot.center_x) - anchor_x) * sx;
    const float dy = (static_cast<float>(slot.center_y) - anchor_y) * sy;
    p.center_x = dx * cl - dy * sl + position_x - left - 0.5f;
    p.center_y = dx * sl + dy * cl + position_y - top - 0.5f;
    p.rot_cos = static_cast<float>(slot.rot_cos);
    p.rot_sin = static_cast<float>(slot.rot_sin);
    p.kind = static_cast<std::int32_t>(slot.kind);
    p.points = std::max(static_cast<std::int32_t>(slot.polystar_points), 3);
    // A size or radius of 0 or less has no value of its own: it falls back
    // to the primitive's centre coordinates.
    const float outer = static_cast<float>(slot.outer_radius);
    const float inner = static_cast<float>(slot.inner_radius);
    p.outer_radius = outer > 0.0f ? outer * k : std::min(p.center_x, p.center_y);
    p.inner_radius = inner > 0.0f ? inner * k : 0.4f * p.outer_radius;
    p.outer_roundness = static_cast<float>(slot.outer_roundness);
    p.inner_roundness = static_cast<float>(slot.inner_roundness);
    const float size_x = static_cast<float>(slot.size_x);
    const float size_y = static_cast<float>(slot.size_y);
    p.half_width = size_x > 0.0f ? size_x * 0.5f * sx : p.center_x;
    p.half_height = size_y > 0.0f ? size_y * 0.5f * sy : p.center_y;
    p.corner_radius = static_cast<float>(slot.corner_radius) * k;
    if (p.corner_radius > p.half_width) p.corner_radius = p.half_width;
    if (p.corner_radius > p.half_height) p.corner_radius = p.half_height;
    const std::uint32_t count = std::min<std::uint32_t>(slot.point_count, MAX_SLOT_POINTS);
    for (std::uint32_t v = 0; v < count; ++v) {
      slot.points[2 * v] *= sx;
      slot.points[2 * v + 1] *= sy;
    }
    p.vertices = slot.points;
    p.vertex_count = static_cast<std::int32_t>(count);
    primitives[i] = p;
  }
  return n;
}
