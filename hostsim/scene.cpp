#include "hostsim/scene.h"

namespace hostsim {

AEGP_ItemID SimItem::ItemId() const { return composition != nullptr ? composition->item_id : id; }
A_long SimItem::Width() const { return composition != nullptr ? composition->width : width; }
A_long SimItem::Height() const { return composition != nullptr ? composition->height : height; }

SimLayer& SimComposition::AddLayer(AEGP_LayerIDVal id, AEGP_ObjectType object_type, AEGP_LayerFlags flags) {
  SimLayer layer;
  layer.id = id;
  layer.object_type = object_type;
  layer.flags = flags;
  layers.push_back(std::move(layer));
  return layers.back();
}

SimComposition& SimScene::AddComposition(AEGP_ItemID item_id, A_long width, A_long height) {
  auto comp = std::make_unique<SimComposition>();
  comp->item_id = item_id;
  comp->width = width;
  comp->height = height;
  comp->item.type = AEGP_ItemType_COMP;
  comp->item.composition = comp.get();
  compositions.push_back(std::move(comp));
  if (most_recently_used < 0) most_recently_used = static_cast<int>(compositions.size()) - 1;
  return *compositions.back();
}

bool SimScene::MatchNameOfKey(AEGP_InstalledEffectKey key, std::string* match_name) const {
  auto it = installed_effects.find(key);
  if (it != installed_effects.end()) {
    *match_name = it->second;
    return true;
  }
  for (const auto& comp : compositions) {
    for (const SimLayer& layer : comp->layers) {
      for (const SimEffect& effect : layer.effects) {
        if (effect.installed_key == key) {
          *match_name = effect.match_name;
          return true;
        }
      }
    }
  }
  return false;
}

}  // namespace hostsim
