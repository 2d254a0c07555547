// The simulated project: compositions with their layers, and each layer's
// effects. The suites of the simulated host read this model; tests build it
// directly. Further properties of layers (streams, masks, shape contents,
// text, mattes, sources) are added beside these as the suites that read
// them are simulated.
//
// References handed to the plug-in are addresses in this model:
// AEGP_CompH is a SimComposition*, AEGP_LayerH a SimLayer*, AEGP_ItemH a
// SimItem*. Every object also carries `failing_calls`: host operations,
// by name ("AEGP_GetLayerFlags"), that answer with an error when asked
// about this object only.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/aegp_types.h"

namespace hostsim {

struct SimComposition;

struct SimEffect {
  std::string match_name;
  AEGP_EffectFlags flags = AEGP_EffectFlags_ACTIVE;
  AEGP_InstalledEffectKey installed_key = 1;
  std::set<std::string> failing_calls;
};

struct SimLayer {
  AEGP_LayerIDVal id = 0;
  AEGP_ObjectType object_type = AEGP_ObjectType_AV;
  AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE;
  std::vector<SimEffect> effects;
  std::set<std::string> failing_calls;
};

// A project item. The item of a composition takes its id and size from
// the composition (`composition` set); other items carry their own.
struct SimItem {
  AEGP_ItemID id = 0;
  AEGP_ItemType type = AEGP_ItemType_NONE;
  A_long width = 0;
  A_long height = 0;
  SimComposition* composition = nullptr;
  std::set<std::string> failing_calls;

  AEGP_ItemID ItemId() const;
  A_long Width() const;
  A_long Height() const;
};

struct SimComposition {
  AEGP_ItemID item_id = 0;
  A_long width = 1920;
  A_long height = 1080;
  std::vector<SimLayer> layers;
  SimItem item;  // the composition as a project item
  std::set<std::string> failing_calls;

  // Appends a layer at the bottom of the stack. The reference is valid
  // until the next layer is added.
  SimLayer& AddLayer(AEGP_LayerIDVal id, AEGP_ObjectType object_type = AEGP_ObjectType_AV,
                     AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE);
};

struct SimScene {
  // Held by pointer so that references handed to the plug-in stay valid
  // while tests add compositions.
  std::vector<std::unique_ptr<SimComposition>> compositions;
  int most_recently_used = -1;  // index into compositions, -1 = none
  // Items that are not compositions (solids, footage), held by pointer for
  // the same reason.
  std::vector<std::unique_ptr<SimItem>> items;
  // Installed effects by key; an effect's match name is looked up through
  // its installed key, as the host does. A key missing here falls back to
  // the match name of the scene's effects that carry it.
  std::map<AEGP_InstalledEffectKey, std::string> installed_effects;

  SimComposition& AddComposition(AEGP_ItemID item_id, A_long width = 1920, A_long height = 1080);
  // False when no installed effect has this key.
  bool MatchNameOfKey(AEGP_InstalledEffectKey key, std::string* match_name) const;
};

}  // namespace hostsim
