#include "render/pane_sources.h"

#include "host/aegp_types.h"

namespace {

bool AllSlotsArePaths(const RenderSettings& s) {
  if (s.shape_count == 0) return false;
  const int n = s.CopiedSlotCount();
  for (int i = 0; i < n; ++i) {
    if (s.slots[i].kind != SHAPE_PATH) return false;
  }
  return true;
}

}  // namespace

PaneSources DecidePaneSources(RenderSettings& s, A_long effect_layer_type) {
  PaneSources f;
  const bool adjustment = s.is_adjustment_layer != 0;
  f.text_source = s.shape_count == 0 && adjustment && effect_layer_type == AEGP_ObjectType_TEXT;
  f.matte_source = adjustment && !f.text_source && s.record_read && s.matte_valid != 0 &&
                   static_cast<std::int32_t>(s.matte_width) > 0 && static_cast<std::int32_t>(s.matte_height) > 0;
  if (f.matte_source) s.slots_are_masks = 0;
  const bool all_paths = AllSlotsArePaths(s);
  f.path_source = adjustment && !f.text_source && !f.matte_source && s.is_vector_layer != 0 && s.shape_count > 0 &&
                  s.slots_are_masks == 0 && all_paths && s.merge_mode <= 3;
  f.raster_source = f.text_source || f.matte_source || f.path_source;
  f.shapes_supersampled = s.slots_are_masks != 0 || (s.shape_count > 0 && all_paths && s.merge_mode <= 2);
  f.paths_supersampled = s.slots_are_masks == 0 && s.shape_count > 0 && all_paths && s.merge_mode <= 2;
  return f;
}
