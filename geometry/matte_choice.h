// Which matte, if any, the pre-render renders into the record for an
// adjustment layer that is not a text layer: its track-matte layer (by the
// layer render, or by the item render when the matte layer's source is a
// composition or non-solid footage and the mode is plain alpha), else the
// layer's own composition or footage source; and the raster's size, the
// effect layer's composition at the current downsampling.
#pragma once
#include <cstdint>

#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

enum class MatteRenderKind { NONE, ITEM, LAYER };

struct MatteChoice {
  MatteRenderKind kind = MatteRenderKind::NONE;
  AEGP_LayerH layer = nullptr;  // the item render's placing layer, or the matte layer
  AEGP_ItemH item = nullptr;    // the item render's item
  A_long mode = 1;              // the layer render's track-matte mode
  std::uint32_t width = 0;      // raster size; 0 x 0 when there is no matte
  std::uint32_t height = 0;
  std::uint64_t raster_bytes = 0;
};

// own_matte_source is the layer's own composition or non-solid footage
// source as the source box found it, or null. bytes_per_channel is 2 for a
// deep pre-render, else 1.
MatteChoice ChooseMatte(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH effect_layer,
                        AEGP_ItemH own_matte_source, std::uint32_t bytes_per_channel);

// The raster side for a composition side and PF_InData's downsample:
// trunc(side * num / den + 0.5) (den 0 counting as 1), 0 when outside
// 1 to MAX_MATTE_SIDE.
std::uint32_t MatteRasterSide(A_long composition_side, const PF_RationalScale& downsample);
