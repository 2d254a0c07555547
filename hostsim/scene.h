// The simulated project: compositions with their layers, and each layer's
// effects, each layer's property tree, transform streams and masks. The
// suites of the simulated host read this model; tests build it directly.
// Further properties of layers (text, mattes, sources) are added beside
// these as the suites that read them are simulated.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/aegp_types.h"
#include "hostsim/stream_model.h"

namespace hostsim {

struct SimEffect {
  std::string match_name;
  AEGP_EffectFlags flags = AEGP_EffectFlags_ACTIVE;
  AEGP_InstalledEffectKey installed_key = 1;
};

struct SimLayer {
  AEGP_LayerIDVal id = 0;
  AEGP_ObjectType object_type = AEGP_ObjectType_AV;
  AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE;
  std::vector<SimEffect> effects;
  // The root of the layer's property tree (AEGP_GetNewStreamRefForLayer);
  // a shape layer's contents hang below it (see shape_contents_builder.h).
  SimStreamNode properties = NamedGroup("ADBE AV Layer", "Layer");
  SimLayerTransform transform;
  std::vector<SimMask> masks;
};

struct SimComposition {
  AEGP_ItemID item_id = 0;
  A_long width = 1920;
  A_long height = 1080;
  std::vector<SimLayer> layers;
};

struct SimScene {
  // Held by pointer so that references handed to the plug-in stay valid
  // while tests add compositions.
  std::vector<std::unique_ptr<SimComposition>> compositions;
  int most_recently_used = -1;  // index into compositions, -1 = none

  SimComposition& AddComposition(AEGP_ItemID item_id, A_long width = 1920, A_long height = 1080);
};

}  // namespace hostsim
