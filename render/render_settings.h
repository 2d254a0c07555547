// What a render pipeline takes from the pre-render record: the control
// values and layer transform of the header, and a private copy of the used
// shape slots scaled to output pixels (lengths times the downsample
// factors). Without a record every value keeps its default, which makes the
// frame a pass-through (is_adjustment_layer 0).
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "host/pf_basic_types.h"

struct RenderSettings {
  double refraction = 70.0;
  double depth = 40.0;
  double splay = 0.0;
  double frost = 0.0;
  double dispersion = 50.0;
  double light_angle_deg = -45.0;
  double light_intensity = 100.0;
  double magnify = 0.0;
  double rim_scale = 1.0;
  double effect_scale = 1.0;
  double scale_x_pct = 100.0;
  double scale_y_pct = 100.0;
  double anchor_x = 0.0;  // output pixels (times downsample_x)
  double anchor_y = 0.0;
  double downsample_x = 1.0;
  double downsample_y = 1.0;
  double rotation_cos = 1.0;
  double rotation_sin = 0.0;
  double position_x = 0.0;  // output pixels (times downsample_x)
  double position_y = 0.0;
  std::uint32_t is_adjustment_layer = 0;
  std::uint32_t shape_count = 0;
  std::uint32_t merge_mode = 0;
  std::uint32_t slots_are_masks = 0;
  std::uint32_t is_source_box = 0;
  std::uint32_t is_vector_layer = 0;
  std::uint32_t matte_valid = 0;
  std::uint32_t matte_width = 0;
  std::uint32_t matte_height = 0;
  std::uint32_t matte_is_distance = 0;
  std::uint32_t deep = 0;
  bool record_read = false;
  // min(shape_count, 8) slots copied out of the record; the rest all zero.
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};

  int CopiedSlotCount() const {
    return shape_count < static_cast<std::uint32_t>(MAX_SHAPE_SLOTS) ? static_cast<int>(shape_count)
                                                                       : MAX_SHAPE_SLOTS;
  }
};

// Fills settings from the record's memory (header, slots scaled to output
// pixels); a downsample value of 0 or less counts as 1.
void ReadRenderSettings(const void* record, RenderSettings& settings);
