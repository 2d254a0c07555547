// The simulated project: compositions with their layers, and each layer's
// effects. The suites of the simulated host read this model; tests build it
// directly. Further properties of layers (streams, masks, shape contents,
// text, mattes, sources) are added beside these as the suites that read
// them are simulated.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/aegp_types.h"
#include "hostsim/effect_instance.h"

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
  // Applied instances of the effect; each one's effect_ref() goes into
  // PF_InData for the commands sent to it.
  std::vector<std::unique_ptr<SimEffectInstance>> effect_instances;

  SimComposition& AddComposition(AEGP_ItemID item_id, A_long width = 1920, A_long height = 1080);
  SimEffectInstance& AddEffectInstance(SimLayer* layer);
};

}  // namespace hostsim
