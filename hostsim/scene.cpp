#include "hostsim/scene.h"

namespace hostsim {

SimComposition& SimScene::AddComposition(AEGP_ItemID item_id, A_long width, A_long height) {
  auto comp = std::make_unique<SimComposition>();
  comp->item_id = item_id;
  comp->width = width;
  comp->height = height;
  compositions.push_back(std::move(comp));
  if (most_recently_used < 0) most_recently_used = static_cast<int>(compositions.size()) - 1;
  return *compositions.back();
}

SimEffectInstance& SimScene::AddEffectInstance(SimLayer* layer) {
  effect_instances.push_back(std::make_unique<SimEffectInstance>(layer));
  return *effect_instances.back();
}

}  // namespace hostsim
