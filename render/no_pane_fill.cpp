// The no-pane field: depth 0, distance and height NO_DISTANCE.
#include "render/no_pane_fill.h"

#include <algorithm>

void FillNoPaneField(FloatPlane& pane_depth, FloatPlane& pane_distance, FloatPlane* pane_height) {
  std::fill_n(pane_depth.data.get(), pane_depth.Size(), 0.0f);
  std::fill_n(pane_distance.data.get(), pane_distance.Size(), NO_DISTANCE);
  if (pane_height != nullptr && !pane_height->Empty()) {
    std::fill_n(pane_height->data.get(), pane_height->Size(), NO_DISTANCE);
  }
}
