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

SimEffectInstance& SimScene::AddEffectInstance(SimLayer* layer) {
  effect_instances.push_back(std::make_unique<SimEffectInstance>(layer));
  return *effect_instances.back();
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

SimItem& SimScene::AddFootageItem(AEGP_ItemID id, A_long width, A_long height, A_u_long signature) {
  auto item = std::make_unique<SimItem>();
  item->id = id;
  item->type = AEGP_ItemType_FOOTAGE;
  item->width = width;
  item->height = height;
  item->has_main_footage = true;
  item->footage_signature = signature;
  items.push_back(std::move(item));
  return *items.back();
}

SimComposition* SimScene::CompositionOf(const SimLayer* layer) {
  for (const auto& comp : compositions) {
    for (const SimLayer& l : comp->layers) {
      if (&l == layer) return comp.get();
    }
  }
  return nullptr;
}

A_long SimTextPath::Segments() const {
  const auto n = static_cast<A_long>(vertices.size());
  if (n == 0) return 0;
  return open ? n - 1 : n;
}

}  // namespace hostsim
