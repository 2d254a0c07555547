// Layer operations of the simulated host that the smart pre-render reads
// (source item, parent composition, offset, transfer mode, layer-to-world
// matrix, parent, track matte). They serve "AEGP Layer Suite" 11, 13 and 15
// alike, since the three versions share these positions.
#pragma once
#include "host/aegp_types.h"

namespace hostsim {

A_Err SimGetLayerSourceItem(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH);
A_Err SimGetLayerParentComp(AEGP_LayerH layerH, AEGP_CompH* compPH);
A_Err SimGetLayerOffset(AEGP_LayerH layerH, A_Time* offsetPT);
A_Err SimGetLayerTransferMode(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP);
A_Err SimGetLayerToWorldXform(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Matrix4* transform);
A_Err SimGetLayerParent(AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH);
A_Err SimGetTrackMatteLayer(AEGP_LayerH layerH, AEGP_LayerH* track_matte_layerPH);
// Layer time = composition time minus the layer's offset, in the scale of
// the composition time given.
A_Err SimConvertCompToLayerTime(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);

class Host;
void RegisterSimLayerSuite13(Host& host);

}  // namespace hostsim
