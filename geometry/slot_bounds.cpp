#include "geometry/slot_bounds.h"

#include "geometry/bounded_values.h"

void BoundSlotValues(ShapeSlot& slot) {
  slot.rotation_deg = ReducedDegrees(slot.rotation_deg);
  slot.center_x = BoundedLength(slot.center_x);
  slot.center_y = BoundedLength(slot.center_y);
  slot.size_x = BoundedLength(slot.size_x);
  slot.size_y = BoundedLength(slot.size_y);
  slot.outer_radius = BoundedLength(slot.outer_radius);
  slot.inner_radius = BoundedLength(slot.inner_radius);
  slot.corner_radius = BoundedLength(slot.corner_radius);
  slot.outer_roundness = Bounded(slot.outer_roundness, STREAM_VALUE_LIMIT, 0.0);
  slot.inner_roundness = Bounded(slot.inner_roundness, STREAM_VALUE_LIMIT, 0.0);
}
