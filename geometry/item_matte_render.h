// The matte of a project item (a composition or footage): the host renders
// the item, its alpha becomes a signed distance field in rendered pixels,
// and each raster pixel inside the item's placed bounding box takes the
// distance code of the field sampled at the pixel's position in the item,
// found through the inverse of the layer-to-world matrix. The raster is in
// composition pixels at the current downsampling, w x h u16 values, rows
// top first.
#pragma once
#include <cstdint>

#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

// The layer is the one whose matrix places the item. True when the raster
// was written; false when the host gave nothing to place (the raster then
// holds zeros).
bool RenderItemMatte(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, AEGP_ItemH item,
                     const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint16_t* raster, double range);
