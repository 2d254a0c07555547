// Panes from the effect layer's masks, for a layer whose shape contents
// gave none. Each mask with a mode becomes a kind-4 slot: its flattened
// outline in layer pixels, stored relative to its centroid.
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

enum class MaskSlotsOutcome {
  NOT_ORDINARY_LAYER,  // not an audio-visual layer (or unknown): no masks, no source box
  NO_MASK_WITH_MODE,   // every mask has mode none (or there are none): the source box stands in
  READ,                // masks with a mode were read; `filled` may still be 0
};

struct MaskSlots {
  MaskSlotsOutcome outcome = MaskSlotsOutcome::NOT_ORDINARY_LAYER;
  std::uint32_t filled = 0;
};

// Fills slots 0 to filled - 1 from the first MAX_SHAPE_SLOTS masks whose
// mode is not none and whose outline has at least 3 points. Every mask
// reference is disposed before it returns.
MaskSlots ReadMaskSlots(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, ShapeSlot* slots);
